#pragma once
// Base of every control of a form. A control object is a member of its form
// and lives as long as the form object; its widget exists only while the form
// is loaded. Every property accessor loads the form first, as the original
// runtime does. Positions and sizes are in twips (15 per pixel).
#include <QObject>
#include <QPointer>
#include <QString>

#include <QWidget>

namespace platform::forms {

class Form;

class Control : public QObject {
    Q_OBJECT
public:
    // owner nullptr: a stand-alone control (only timers use that).
    Control(Form *owner, const QString &name, Control *container = nullptr, int index = -1);
    ~Control() override;

    QString Name() const { return m_name; }
    int Index() const { return m_index; }
    Form *Parent() const { return m_owner; }
    Control *Container() const { return m_container; }

    virtual bool Enabled();
    virtual void setEnabled(bool enabled);
    virtual bool Visible();
    virtual void setVisible(bool visible);
    int Left();
    int Top();
    int Width();
    int Height();
    void setLeft(int twips);
    void setTop(int twips);
    void setWidth(int twips);
    void setHeight(int twips);
    void Move(int left, int top, int width = -1, int height = -1);
    QString ToolTipText();
    void setToolTipText(const QString &text);
    QString Tag() const { return m_tag; }
    void setTag(const QString &tag) { m_tag = tag; }
    // OLE colours (0x00BBGGRR, 0x800000nn system colour nn).
    quint32 BackColor();
    void setBackColor(quint32 color);
    quint32 ForeColor();
    void setForeColor(quint32 color);
    double FontSize();
    void setFontSize(double points);
    bool FontBold();
    void setFontBold(bool bold);
    QString FontName();
    void setFontName(const QString &name);
    void SetFocus();
    void Refresh();

    // The widget of the loaded control (loads the form); nullptr for timers.
    QWidget *widget();
    bool hasWidget() const { return !m_widget.isNull(); }
    // The widget while the form is loaded, without loading it.
    QWidget *loadedWidget() const { return m_widget.data(); }
    // A control added to a form that is loaded already (a control array
    // element loaded at run time) gets its widget here.
    void attachIfLoaded();

signals:
    void GotFocus();
    void LostFocus();

protected:
    // Creates the widget when the form loads; nullptr for windowless controls.
    virtual QWidget *createWidget(QWidget *parent) = 0;
    // Called after the widget was created (connect its signals here) and
    // when it is about to go with the form's window.
    virtual void widgetCreated() {}
    virtual void widgetDestroyed() {}
    // Called on a container when a control placed on it got its widget.
    virtual void containedWidgetCreated(Control *) {}
    void load();
    template <class W> W *w()
    {
        load();
        return static_cast<W *>(m_widget.data());
    }
    // Colours of the widget's palette role used for BackColor / ForeColor.
    virtual void applyColors();
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class Form;
    void create(QWidget *formWidget);
    void detach();

    Form *m_owner;
    QString m_name;
    Control *m_container;
    int m_index;
    QPointer<QWidget> m_widget;
    QString m_tag;
    quint32 m_backColor = 0;
    quint32 m_foreColor = 0;
    bool m_hasBackColor = false;
    bool m_hasForeColor = false;
};

} // namespace platform::forms
