#pragma once
// The page view inside the report control's preview: lays out the pages of
// the current document for the zoom mode and paints only what is exposed.
#include <QWidget>

namespace platform::print {

class ReportDocument;

class ReportPreview : public QWidget {
    Q_OBJECT
public:
    explicit ReportPreview(QWidget *parent = nullptr);

    void setDocument(const ReportDocument *document) { m_document = document; }
    // Fits the view to the viewport for the mode and the current page.
    void relayout(int mode, int currentPage, const QSize &viewport);
    // Pixels per twip of the current layout.
    double scale() const { return m_scale; }
    // Page rectangles, in view pixels, of the pages on view.
    const QVector<QPair<int, QRectF>> &placements() const { return m_placements; }

signals:
    void pageChosen(int page);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    const ReportDocument *m_document = nullptr;
    double m_scale = 0.05;
    QVector<QPair<int, QRectF>> m_placements;
};

} // namespace platform::print
