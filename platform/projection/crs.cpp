#include "platform/projection/crs.h"

#include <proj.h>

#include <QByteArray>
#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// What PROJ said last on this thread (it would print it on stderr).
thread_local QString lastLogged;

void keepLog(void *, int level, const char *message)
{
    if (level <= PJ_LOG_ERROR && message)
        lastLogged = QString::fromUtf8(message).trimmed();
}

// PROJ objects belong to the context they were made in; one context per thread.
PJ_CONTEXT *context()
{
    struct Holder {
        PJ_CONTEXT *context = proj_context_create();
        Holder() { proj_log_func(context, nullptr, keepLog); }
        ~Holder() { proj_context_destroy(context); }
    };
    thread_local Holder holder;
    return holder.context;
}

struct PjDeleter {
    void operator()(PJ *pj) const { proj_destroy(pj); }
};
using PjPtr = std::unique_ptr<PJ, PjDeleter>;

// PROJ's own words for the last failure: its log line, else the text of its error number.
QString lastError()
{
    if (!lastLogged.isEmpty())
        return lastLogged;
    const int error = proj_context_errno(context());
    const char *text = error ? proj_context_errno_string(context(), error) : nullptr;
    return text ? QString::fromUtf8(text) : QStringLiteral("PROJ does not know it");
}

// A bound CRS (one with a datum shift attached) is read as the system it binds.
PjPtr baseCrs(PJ *crs)
{
    if (crs && proj_get_type(crs) == PJ_TYPE_BOUND_CRS)
        return PjPtr(proj_get_source_crs(context(), crs));
    return PjPtr(crs ? proj_clone(context(), crs) : nullptr);
}

} // namespace

struct Crs::Private {
    PjPtr pj;
};

Crs::Crs() = default;
Crs::~Crs() = default;
Crs::Crs(Crs &&) noexcept = default;
Crs &Crs::operator=(Crs &&) noexcept = default;

Crs Crs::fromText(const QString &text, QString *error)
{
    Crs crs;
    crs.m_text = text.trimmed();
    QByteArray definition = crs.m_text.toUtf8();
    // A PROJ string names an operation unless it says it is a system.
    if (definition.startsWith('+') && !definition.contains("+type=crs"))
        definition += " +type=crs";
    lastLogged.clear();
    PjPtr pj(definition.isEmpty() ? nullptr : proj_create(context(), definition.constData()));
    if (!pj || !proj_is_crs(pj.get())) {
        if (error)
            *error = pj ? QStringLiteral("it is not a coordinate reference system") : lastError();
        return crs;
    }
    // PROJ takes any other text as a name and finds the nearest one ("foo" finds a Dutch
    // datum): a name must be a system's whole name.
    static const QRegularExpression structured(
        QStringLiteral("^([A-Za-z_]+:[-\\w.]+|urn:.*|[+{].*|.*\\[.*|proj=.*)$"),
        QRegularExpression::DotMatchesEverythingOption);
    if (!structured.match(crs.m_text).hasMatch()
        && QString::fromUtf8(proj_get_name(pj.get())).compare(crs.m_text, Qt::CaseInsensitive) != 0) {
        if (error)
            *error = QStringLiteral("no system is named so; the nearest name is \"%1\"")
                         .arg(QString::fromUtf8(proj_get_name(pj.get())));
        return crs;
    }
    crs.m_d = std::make_unique<Private>();
    crs.m_d->pj = std::move(pj);
    return crs;
}

Crs Crs::wgs84()
{
    return fromText(QStringLiteral("EPSG:4326"));
}

bool Crs::isValid() const
{
    return m_d && m_d->pj;
}

bool Crs::isGeographic() const
{
    if (!isValid())
        return false;
    const PjPtr base = baseCrs(m_d->pj.get());
    const PJ_TYPE type = base ? proj_get_type(base.get()) : PJ_TYPE_UNKNOWN;
    return type == PJ_TYPE_GEOGRAPHIC_2D_CRS || type == PJ_TYPE_GEOGRAPHIC_3D_CRS;
}

QString Crs::displayName() const
{
    if (!isValid())
        return QString();
    const PJ *pj = m_d->pj.get();
    QString name = QString::fromUtf8(proj_get_name(pj));
    if (name.isEmpty() || name == QLatin1String("unknown")) {
        // A system made from a PROJ string has no name: its method and definition say it.
        const PjPtr base = baseCrs(m_d->pj.get());
        const PjPtr operation(base ? proj_crs_get_coordoperation(context(), base.get()) : nullptr);
        const char *method = nullptr;
        if (operation)
            proj_coordoperation_get_method_info(context(), operation.get(), &method, nullptr,
                                                nullptr);
        QString text = m_text;
        text.remove(QStringLiteral(" +type=crs"));
        return method ? QStringLiteral("%1 (%2)").arg(QString::fromUtf8(method), text) : text;
    }
    const char *authority = proj_get_id_auth_name(pj, 0);
    const char *code = proj_get_id_code(pj, 0);
    if (authority && code)
        name += QStringLiteral(" (%1:%2)").arg(QString::fromUtf8(authority), QString::fromUtf8(code));
    return name;
}

double Crs::centralMeridian() const
{
    if (!isValid() || isGeographic())
        return 0.0;
    const PjPtr base = baseCrs(m_d->pj.get());
    const PjPtr operation(base ? proj_crs_get_coordoperation(context(), base.get()) : nullptr);
    if (!operation)
        return 0.0;
    // EPSG parameter codes of the longitude a projection is centred on.
    static const char *const codes[] = {"8802", "8822", "8833", "8812"};
    const int count = proj_coordoperation_get_param_count(context(), operation.get());
    for (const char *wanted : codes)
        for (int i = 0; i < count; ++i) {
            const char *name = nullptr, *authority = nullptr, *code = nullptr;
            double value = 0.0, toRadians = 0.0;
            if (proj_coordoperation_get_param(context(), operation.get(), i, &name, &authority,
                                              &code, &value, nullptr, &toRadians, nullptr,
                                              nullptr, nullptr, nullptr)
                && code && qstrcmp(code, wanted) == 0 && std::isfinite(value))
                return value * (toRadians > 0 ? toRadians : M_PI / 180.0) * 180.0 / M_PI;
        }
    return 0.0;
}

QString Crs::definition() const
{
    if (!isValid())
        return QString();
    const char *authority = proj_get_id_auth_name(m_d->pj.get(), 0);
    const char *code = proj_get_id_code(m_d->pj.get(), 0);
    if (authority && code)
        return QString::fromUtf8(authority) + u':' + QString::fromUtf8(code);
    if (!m_text.contains(u'\n') && !m_text.contains(u'\r'))
        return m_text;
    return wkt();
}

QString Crs::wkt() const
{
    if (!isValid())
        return QString();
    // The .prj of a shapefile is WKT 1 in the flavour that tools expect there; a system it
    // can't express is written as WKT 2, which GDAL and PROJ read as well.
    const char *const options[] = {"MULTILINE=NO", nullptr};
    const char *text = proj_as_wkt(context(), m_d->pj.get(), PJ_WKT1_ESRI, options);
    if (!text)
        text = proj_as_wkt(context(), m_d->pj.get(), PJ_WKT2_2019, options);
    return text ? QString::fromUtf8(text) : QString();
}

struct ContextDeleter {
    void operator()(PJ_CONTEXT *context) const { proj_context_destroy(context); }
};

struct CrsTransform::Private {
    PjPtr pj;
    double inputScale = 1.0; // applied to x and y before pj
    // The copies of pj that other threads move parts of a large batch with, each in a context
    // of its own; made on first use. Each is destroyed before its context.
    struct Helper {
        std::unique_ptr<PJ_CONTEXT, ContextDeleter> context;
        PjPtr pj;
    };
    std::vector<Helper> helpers;
};

namespace {

// PROJ moves each point through every step of an operation's pipeline, each step with checks
// of its own; from longitude/latitude the first step only turns degrees into radians. That
// multiplication done by the caller and the remaining steps as the operation give the same
// numbers, bit for bit, in about two thirds of the time. The remaining steps, or nullptr
// when the operation does not begin so (or has no single PROJ string: several operations
// chosen by area).
PjPtr withoutDegreeStep(PJ *operation)
{
    static constexpr char kHead[] =
        "+proj=pipeline +step +proj=unitconvert +xy_in=deg +xy_out=rad +step ";
    const char *text = proj_as_proj_string(context(), operation, PJ_PROJ_5, nullptr);
    if (!text || qstrncmp(text, kHead, sizeof kHead - 1) != 0)
        return nullptr;
    const QByteArray rest(text + sizeof kHead - 1);
    const bool moreSteps = rest.contains("+step");
    const QByteArray definition = moreSteps ? "+proj=pipeline +step " + rest : rest;
    return PjPtr(proj_create(context(), definition.constData()));
}

// The factor PROJ's unit conversion uses for degrees.
constexpr double kDegree = 0.017453292519943296;

} // namespace

CrsTransform::CrsTransform() = default;
CrsTransform::~CrsTransform() = default;
CrsTransform::CrsTransform(CrsTransform &&) noexcept = default;
CrsTransform &CrsTransform::operator=(CrsTransform &&) noexcept = default;

CrsTransform CrsTransform::between(const Crs &source, const Crs &target, QString *error)
{
    CrsTransform transform;
    if (!source.isValid() || !target.isValid()) {
        if (error)
            *error = QStringLiteral("no coordinate system");
        return transform;
    }
    lastLogged.clear();
    PjPtr raw(proj_create_crs_to_crs_from_pj(context(), source.d()->pj.get(),
                                             target.d()->pj.get(), nullptr, nullptr));
    // Longitude before latitude, easting before northing, whatever the systems' axis order.
    PjPtr normal(raw ? proj_normalize_for_visualization(context(), raw.get()) : nullptr);
    if (!normal) {
        if (error)
            *error = lastError();
        return transform;
    }
    transform.m_d = std::make_unique<Private>();
    if (PjPtr rest = withoutDegreeStep(normal.get())) {
        transform.m_d->pj = std::move(rest);
        transform.m_d->inputScale = kDegree;
    } else {
        transform.m_d->pj = std::move(normal);
    }
    return transform;
}

bool CrsTransform::isValid() const
{
    return m_d && m_d->pj;
}

namespace {

// Moves count points with pj: degrees scaled first where the operation's first step was left
// out, failed points made infinite.
void transformPoints(PJ *pj, double inputScale, double *x, double *y, std::size_t stride,
                     std::size_t count)
{
    const auto at = [stride](double *base, std::size_t i) -> double & {
        return *reinterpret_cast<double *>(reinterpret_cast<char *>(base) + i * stride);
    };
    if (inputScale != 1.0)
        for (std::size_t i = 0; i < count; ++i) {
            at(x, i) *= inputScale;
            at(y, i) *= inputScale;
        }
    proj_trans_generic(pj, PJ_FWD, x, stride, count, y, stride, count, nullptr, 0, 0, nullptr,
                       0, 0);
    // PROJ marks failed points with HUGE_VAL; NaN from a formula counts as failed too.
    constexpr double inf = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < count; ++i) {
        double &px = at(x, i);
        double &py = at(y, i);
        if (!std::isfinite(px) || !std::isfinite(py) || std::abs(px) >= HUGE_VAL / 2)
            px = py = inf;
    }
}

// Parts of fewer points than this cost another thread more than they save.
constexpr std::size_t kLeastPointsOfAPart = 16384;
// Threads beyond this many gain little: writing the points out is then the larger part.
constexpr unsigned kMostThreads = 8;

// The threads a batch is moved with: the processors there are (asked once: the system
// answers it by reading a file), or the number set for tests.
std::atomic<unsigned> threadsSet = 0;

unsigned threadsToUse()
{
    static const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    const unsigned set = threadsSet.load();
    return std::min(set > 0 ? set : processors, kMostThreads);
}

} // namespace

void CrsTransform::setThreadsForBatches(unsigned threads)
{
    threadsSet = threads;
}

// Each point is moved on its own, so a large batch is split into parts of equal size: every
// part but the last goes to a thread of its own with a copy of the operation in a context of
// its own (PROJ objects are used by one thread at a time), the last is moved here. The
// numbers are the same, bit for bit.
void CrsTransform::apply(double *x, double *y, std::size_t stride, std::size_t count) const
{
    if (!isValid() || count == 0)
        return;
    PJ *pj = m_d->pj.get();
    const double scale = m_d->inputScale;
    const std::size_t parts =
        std::min<std::size_t>(threadsToUse(), std::max<std::size_t>(1, count / kLeastPointsOfAPart));
    while (m_d->helpers.size() + 1 < parts) {
        Private::Helper helper;
        helper.context.reset(proj_context_create());
        if (!helper.context)
            break;
        // Points that fail become infinite; PROJ's notes on them are not wanted on stderr.
        proj_log_func(helper.context.get(), nullptr, [](void *, int, const char *) {});
        helper.pj.reset(proj_clone(helper.context.get(), pj));
        if (!helper.pj)
            break;
        m_d->helpers.push_back(std::move(helper));
    }
    const std::size_t used = std::min(parts, m_d->helpers.size() + 1);
    const std::size_t part = count / used;
    const auto offset = [stride](double *base, std::size_t points) {
        return reinterpret_cast<double *>(reinterpret_cast<char *>(base) + points * stride);
    };
    std::vector<std::jthread> threads;
    for (std::size_t i = 0; i + 1 < used; ++i) {
        PJ *helper = m_d->helpers[i].pj.get();
        double *const px = offset(x, i * part);
        double *const py = offset(y, i * part);
        try {
            threads.emplace_back([=] { transformPoints(helper, scale, px, py, stride, part); });
        } catch (const std::system_error &) {
            transformPoints(helper, scale, px, py, stride, part); // no thread to be had
        }
    }
    const std::size_t done = (used - 1) * part;
    transformPoints(pj, scale, offset(x, done), offset(y, done), stride, count - done);
}

bool sameCrs(const Crs &a, const Crs &b)
{
    return a.isValid() && b.isValid()
           && proj_is_equivalent_to_with_ctx(context(), a.d()->pj.get(), b.d()->pj.get(),
                                             PJ_COMP_EQUIVALENT_EXCEPT_AXIS_ORDER_GEOGCRS);
}
