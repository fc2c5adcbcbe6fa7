#include "platform/geodata/gdalerrors.h"

#include <cpl_error.h>

namespace {

void CPL_STDCALL collect(CPLErr level, CPLErrorNum, const char *message)
{
    if (level < CE_Failure || !message)
        return;
    auto *errors = static_cast<GdalErrors *>(CPLGetErrorHandlerUserData());
    if (errors)
        errors->add(QString::fromUtf8(message).trimmed());
}

} // namespace

GdalErrors::GdalErrors()
{
    CPLErrorReset();
    CPLPushErrorHandlerEx(collect, this);
}

GdalErrors::~GdalErrors()
{
    CPLPopErrorHandler();
}

void GdalErrors::add(const QString &text)
{
    if (!text.isEmpty() && !m_failures.contains(text))
        m_failures << text;
}
