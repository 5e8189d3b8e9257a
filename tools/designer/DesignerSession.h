#pragma once
// One control hosted in design mode (ambient UserMode False): made by
// ProgID, optionally from a saved design, saved to and loaded from a design
// file (BagJson.h), and its property frame opened through the properties
// verb.
#include "platform/com/persist.h"
#include "platform/win/ole/controlhost.h"

#include <QSize>
#include <QString>

class QWidget;

namespace designer {

namespace com = platform::com;
namespace win = platform::win;

constexpr const char *kContainerProgId = "Ryx.Container3D7";
constexpr const char *kComboProgId = "Brenwold.Combo7";

class DesignerSession {
public:
    // The control is placed into form.
    explicit DesignerSession(QWidget *form);
    ~DesignerSession();
    DesignerSession(const DesignerSession &) = delete;
    DesignerSession &operator=(const DesignerSession &) = delete;

    // Registers the two control libraries found in folder; false with the
    // names of those that failed.
    static bool registerLibraries(const QString &folder, QString *error);

    // Replaces the hosted control by a new one (from bag when given), at
    // size (pixels) when it is valid, else at a default size for its kind.
    com::HRESULT create(const QString &progId, com::IPropertyBag *bag = nullptr, QSize size = QSize());
    // Writes the control's design durably; false with a message (the file
    // keeps what it held before).
    bool save(const QString &path, QString *error) const;
    // Reads a design file and hosts the control it describes; on a failure
    // the current control stays and a message is given.
    bool load(const QString &path, QString *error);
    // The properties verb of the control (its frame is modal).
    com::HRESULT showProperties();
    // What the control said when the last create failed (its error's
    // description: for a refused load, the property and the value), or "".
    const QString &lastError() const { return m_lastError; }

    win::ControlHostWidget *host() const { return m_host; }
    const QString &progId() const { return m_progId; }

private:
    QWidget *m_form;
    win::ControlHostWidget *m_host = nullptr;
    QString m_progId;
    QString m_lastError;
};

} // namespace designer
