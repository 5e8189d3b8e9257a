#pragma once
// Status bar with panels (1-based). A text panel shows its Text; a date or
// time panel shows the current date ("yyyy/MM/dd") or time ("H:mm") and
// keeps it current.
#include "platform/forms/control.h"

#include <QPointer>

#include <memory>
#include <vector>

class QLabel;
class QTimer;

namespace platform::forms {

constexpr int sbrText = 0;
constexpr int sbrTime = 5;
constexpr int sbrDate = 6;

class StatusBar;

class Panel {
public:
    int Index() const { return m_index; }
    QString Key() const { return m_key; }
    int Style() const { return m_style; }
    QString Text() const;
    void setText(const QString &text);
    int Width() const;         // twips
    void setWidth(int twips);

private:
    friend class StatusBar;
    int m_index = 0;
    QString m_key;
    int m_style = sbrText;
    QPointer<QLabel> m_label;
};

class StatusBar : public Control {
    Q_OBJECT
public:
    using Control::Control;
    Panel &Add(const QString &key = QString(), const QString &text = QString(), int style = sbrText);
    int Count();
    Panel &Panels(int index); // 1-based; error 35600 outside
    // Refreshes the date and time panels now.
    void updateClock();

protected:
    QWidget *createWidget(QWidget *parent) override;
    void widgetDestroyed() override;

private:
    std::vector<std::unique_ptr<Panel>> m_panels;
    QPointer<QTimer> m_clock;
};

} // namespace platform::forms
