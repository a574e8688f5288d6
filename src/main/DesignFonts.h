#pragma once

#include <QFont>
#include <QStringList>

// The fonts the layout names, with the freely available Japanese faces behind them, so a
// desktop without the named ones still shows every glyph in one consistent face.
inline QFont ProportionalGothic(double points)
{
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAPGothic")});
    font.setPointSizeF(points);
    return font;
}

inline QFont FixedGothic(double points)
{
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"),
                      QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("IPAGothic")});
    font.setPointSizeF(points);
    return font;
}
