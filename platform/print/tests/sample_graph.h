#pragma once
// A day graph drawn the way the demand graph drives the surface: scale, frame,
// dotted grid, one bar polygon, labels (rotated, bold maximum), the vertical
// caption character by character, ticks, threshold and title.
#include "platform/print/colors.h"
#include "platform/print/drawsurface.h"

#include <QString>

namespace printtest {

inline void drawSampleDayGraph(platform::print::DrawSurface &g)
{
    using platform::print::RGB;
    g.Clear();
    g.setScaleWidth(11000);
    g.setScaleLeft(-1000);
    g.setScaleHeight(-19500);
    g.setScaleTop(17250);
    g.setFontName(QStringLiteral("ＭＳ ゴシック"));
    g.setFontSize(450);
    g.setFontBold(false);
    g.setPenWidth(0);
    g.setPenColor(RGB(0, 0, 0));
    g.setPenStyle(0);
    g.setBrushColor(RGB(255, 255, 255));
    g.setBrushStyle(0);
    g.DrawRectangle(0, 0, 9600, 15000);
    g.setTextX(5000);
    g.setTextY(-1650);
    g.setTextAlign(1);
    g.setText(QStringLiteral("時　　間"));

    QString points;
    const int values[48] = {120, 118, 110, 105, 100, 98, 97, 99, 102, 110, 130, 160, 220, 300, 380, 450,
                            520, 560, 600, 640, 660, 700, 720, 710, 690, 650, 640, 660, 680, 700, 720, 750,
                            760, 740, 720, 690, 650, 600, 520, 450, 380, 320, 260, 220, 190, 160, 140, 130};
    int maxValue = 0;
    for (int n = 1; n <= 48; ++n) {
        const double y = 15000.0 / 100 / 10 * values[n - 1];
        const int x = n * 200;
        points += QStringLiteral("%1,0,%1,%2,%3,%2,%3,0,").arg(x).arg(y).arg(x - 200);
        maxValue = std::max(maxValue, values[n - 1]);
    }
    g.setBrushColor(RGB(200, 200, 200));
    g.Polygon(points);

    g.setTextAngle(900);
    for (int i = 0; i < 48; ++i) {
        const QString label = QStringLiteral("%1:%2").arg(i / 2, 2, 10, QLatin1Char('0')).arg(i % 2 ? "30" : "00");
        g.setTextX(i * 200 + 100);
        g.setTextY(-750);
        if (values[i] == maxValue) {
            g.setFontBold(true);
            g.setText(label);
        } else {
            g.setFontBold(false);
            if (!label.endsWith(QStringLiteral(":30")))
                g.setText(label);
        }
    }
    g.setTextAngle(0);
    g.setFontBold(false);
    g.setTextAlign(0);
    g.setTextX(-700);
    g.setTextY(10500);
    for (const QString &c : {QStringLiteral("デ"), QStringLiteral("マ"), QStringLiteral("ン"), QStringLiteral("ド"),
                             QStringLiteral("値")}) {
        g.setText(c);
        g.setTextY(g.TextY() - 1.5 * g.TextHeight(c));
    }
    g.setTextY(15300);
    g.setTextX(g.TextX() - 200);
    g.setText(QStringLiteral("[kW]"));

    g.setTextAlign(2);
    for (int k = 0; k <= 100; k += 10) {
        const double y = k * 15000.0 / 100;
        if (y > 0 && y < 15000) {
            g.setPenStyle(2);
            g.DrawLine(0, y, 9600, y);
        }
        g.setTextX(-100);
        g.setTextY(y + 225);
        g.setText(QString::number(k));
    }
    g.setPenStyle(0);
    g.setPenWidth(50);
    g.DrawLine(0, 9000, 9600, 9000);
    g.setTextX(9650);
    g.setTextY(9225);
    g.setTextAlign(0);
    g.setFontBold(true);
    g.setText(QStringLiteral("60"));
    g.setTextX(0);
    g.setTextY(16125);
    g.setText(QStringLiteral("時　間　別　の　電　力　（試験 2024年05月10日）"));
    g.setPenWidth(0);
}

} // namespace printtest
