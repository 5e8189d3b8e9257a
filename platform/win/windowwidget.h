#pragma once
// The QWidget behind a window: shows the window's client surface and turns
// Qt's mouse, key, input-method and focus events into the window's messages.
#include "platform/win/wintypes.h"

#include <QWidget>

namespace platform::win::detail {

class WindowWidget final : public QWidget {
    Q_OBJECT
public:
    WindowWidget(HWND hwnd, QWidget *parent);
    HWND handle() const { return m_hwnd; }
    // The window is gone: the widget only waits for its deletion.
    void detach() { m_hwnd = 0; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool focusNextPrevChild(bool) override { return false; }
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    void mouseButton(QMouseEvent *event, bool down, bool fromDoubleClick);
    void postChars(const QString &text, LPARAM keyData);

    HWND m_hwnd;
    // Double-click detection: the last button-down seen by this widget.
    Qt::MouseButton m_lastButton = Qt::NoButton;
    quint64 m_lastDownTime = 0;
    QPoint m_lastDownPos;
    bool m_lastWasDouble = false;
    bool m_skipQtDoubleClick = false;
};

} // namespace platform::win::detail
