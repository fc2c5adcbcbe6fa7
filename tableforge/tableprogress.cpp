#include "tableforge/tableprogress.h"

void TableProgress::setMax(int max)
{
    if (max == m_max)
        return;
    m_max = max;
    emit maxChanged(max);
}

void TableProgress::setValue(int value)
{
    if (value == m_value)
        return;
    m_value = value;
    emit valueChanged(value);
}

void TableCaption::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    emit captionChanged(caption);
}
