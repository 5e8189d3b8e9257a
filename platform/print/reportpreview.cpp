#include "platform/print/reportpreview.h"

#include "platform/print/reportdocument.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace platform::print {

namespace {
constexpr double kGap = 12;        // pixels around and between pages
constexpr double kThumbWidth = 150; // pixels of a thumbnail
} // namespace

ReportPreview::ReportPreview(QWidget *parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(128, 128, 128));
    setPalette(pal);
}

void ReportPreview::relayout(int mode, int currentPage, const QSize &viewport)
{
    m_placements.clear();
    if (!m_document || m_document->pageCount() == 0 || m_document->pageSize.isEmpty()) {
        resize(viewport);
        update();
        return;
    }
    const double pw = m_document->pageSize.width();
    const double ph = m_document->pageSize.height();
    const double vw = std::max(1.0, double(viewport.width()));
    const double vh = std::max(1.0, double(viewport.height()));
    const int count = m_document->pageCount();
    currentPage = std::clamp(currentPage, 0, count - 1);
    QSizeF content(vw, vh);

    switch (mode) {
    case 1: { // page width
        m_scale = std::max(0.001, (vw - 2 * kGap) / pw);
        const QRectF r(kGap, kGap, pw * m_scale, ph * m_scale);
        m_placements.append({currentPage, r});
        content = QSizeF(vw, r.bottom() + kGap);
        break;
    }
    case 2: { // two pages side by side
        m_scale = std::max(0.001, std::min((vw - 3 * kGap) / (2 * pw), (vh - 2 * kGap) / ph));
        const double w = pw * m_scale;
        const double h = ph * m_scale;
        const double x0 = std::max(kGap, (vw - 2 * w - kGap) / 2);
        m_placements.append({currentPage, QRectF(x0, kGap, w, h)});
        if (currentPage + 1 < count)
            m_placements.append({currentPage + 1, QRectF(x0 + w + kGap, kGap, w, h)});
        break;
    }
    case 3: { // thumbnails of every page
        m_scale = kThumbWidth / pw;
        const double w = kThumbWidth;
        const double h = ph * m_scale;
        const int columns = std::max(1, int((vw - kGap) / (w + kGap)));
        for (int i = 0; i < count; ++i) {
            const int row = i / columns;
            const int col = i % columns;
            m_placements.append({i, QRectF(kGap + col * (w + kGap), kGap + row * (h + kGap), w, h)});
        }
        const int rows = (count + columns - 1) / columns;
        content = QSizeF(vw, std::max(vh, kGap + rows * (h + kGap)));
        break;
    }
    default: { // whole page
        m_scale = std::max(0.001, std::min((vw - 2 * kGap) / pw, (vh - 2 * kGap) / ph));
        const double w = pw * m_scale;
        const double h = ph * m_scale;
        m_placements.append({currentPage, QRectF((vw - w) / 2, (vh - h) / 2, w, h)});
        break;
    }
    }
    resize(int(std::ceil(content.width())), int(std::ceil(content.height())));
    update();
}

void ReportPreview::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    if (!m_document)
        return;
    for (const auto &[index, rect] : m_placements) {
        if (!rect.adjusted(-4, -4, 4, 4).intersects(QRectF(event->rect())))
            continue;
        painter.fillRect(rect.translated(3, 3), QColor(64, 64, 64));
        painter.fillRect(rect, Qt::white);
        painter.save();
        painter.setClipRect(rect);
        painter.translate(rect.topLeft());
        painter.scale(m_scale, m_scale);
        m_document->renderPage(painter, index);
        painter.restore();
    }
}

void ReportPreview::mouseDoubleClickEvent(QMouseEvent *event)
{
    for (const auto &[index, rect] : m_placements) {
        if (rect.contains(event->position())) {
            emit pageChosen(index);
            return;
        }
    }
}

} // namespace platform::print
