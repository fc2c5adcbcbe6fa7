#include "contracts/mapgeometry.h"

#include <algorithm>

MapRectangle::MapRectangle(double left, double right, double bottom, double top)
    : Left(left), Right(right), Bottom(bottom), Top(top)
{
}

MapRectangle MapRectangle::ScaleRectangle(double factor) const
{
    const MapPoint c = Center();
    const double hw = Width() * factor / 2.0;
    const double hh = Height() * factor / 2.0;
    return {c.X - hw, c.X + hw, c.Y - hh, c.Y + hh};
}

bool MapRectangle::Intersects(const MapRectangle &o) const
{
    return Left <= o.Right && o.Left <= Right && Bottom <= o.Top && o.Bottom <= Top;
}

bool MapRectangle::Contains(const MapPoint &p) const
{
    return p.X >= Left && p.X <= Right && p.Y >= Bottom && p.Y <= Top;
}

MapRectangle MapRectangle::United(const MapRectangle &o) const
{
    const bool noThis = Right < Left || Top < Bottom || *this == MapRectangle();
    const bool noOther = o.Right < o.Left || o.Top < o.Bottom || o == MapRectangle();
    if (noOther)
        return *this;
    if (noThis)
        return o;
    return {std::min(Left, o.Left), std::max(Right, o.Right), std::min(Bottom, o.Bottom),
            std::max(Top, o.Top)};
}

MapRectangle MapRectangle::Adjusted(double d) const
{
    return {Left - d, Right + d, Bottom - d, Top + d};
}
