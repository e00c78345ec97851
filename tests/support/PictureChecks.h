#pragma once

// Checks on windows rendered offscreen: that the installed fonts draw a caption (a Korean caption
// must not fall back to empty boxes) and that a picture is more than a flat area.

#include <QFont>
#include <QGlyphRun>
#include <QImage>
#include <QSet>
#include <QString>
#include <QTextLayout>

namespace pimdesk::test {

// Whether the fonts on this machine fail to draw text in font: a "missing glyph" box (index 0) or
// nothing at all.
inline bool undrawable(const QString &text, const QFont &font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    int drawn = 0;
    for (const QGlyphRun &run : layout.glyphRuns()) {
        if (run.glyphIndexes().contains(0))
            return true;
        drawn += int(run.glyphIndexes().size());
    }
    return drawn == 0;
}

// Colours in a picture, sampling every other pixel of every other row.
inline int distinctColours(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
}

} // namespace pimdesk::test
