#pragma once
// The graph options dialog: the vertical-axis maximum (one of nine kW values),
// maximum or average per day / month, bar or line graph. The object keeps the
// three options for the whole run; it reads them from "Graph.ini" once, when
// it is created, and writes them back on every apply. A failed write is told
// and leaves the options as they were.
#include "platform/forms/controls.h"
#include "platform/forms/form.h"

#include <array>
#include <cstdint>

namespace talvik {

class frmGraphSet : public platform::forms::Form {
    Q_OBJECT
public:
    // Reads "Graph.ini" (loadGraphIni); the window is not loaded.
    explicit frmGraphSet(QObject *parent = nullptr);

    // The scale table (item data of cmbScale), index 0 to 8.
    static constexpr std::array<std::int16_t, 9> kScaleTable{50, 75, 100, 150, 200, 300, 500, 750, 1000};
    static constexpr std::int16_t kDefaultScaleIndex = 1;

    // kW of scale entry `index`; run-time error 381 outside 0 to 8.
    std::int16_t getScaleWeight(std::int16_t index) const;
    // Index of the first entry of `weight` kW; 0 when none matches.
    std::int16_t getScaleIndexByWeight(std::int16_t weight) const;
    // The applied options; none of them loads the window.
    std::int16_t scaleWeight() const;
    std::int16_t outvalue() const { return m_outvalue; }
    std::int16_t outStyle() const { return m_outStyle; }
    std::int16_t scaleIndex() const { return m_scaleIndex; }

    // program folder & "\Graph.ini" (with "\" separators, as the system writes paths).
    static QString graphIniPath();

    platform::forms::Frame fraScale{this, QStringLiteral("fraScale")};
    platform::forms::Label lblScaleFrom{this, QStringLiteral("lblScaleFrom"), &fraScale};
    platform::forms::ComboBox cmbScale{this, QStringLiteral("cmbScale"), &fraScale};
    platform::forms::Label lblScaleUnit{this, QStringLiteral("lblScaleUnit"), &fraScale};
    platform::forms::Label lblScale{this, QStringLiteral("lblScale"), &fraScale};
    platform::forms::Frame fraGraphOutStyle{this, QStringLiteral("fraGraphOutStyle")};
    platform::forms::Label lblGraphOutStyle{this, QStringLiteral("lblGraphOutStyle"), &fraGraphOutStyle};
    platform::forms::ControlArray<platform::forms::OptionButton> optGraphOutStyle{
        this, QStringLiteral("optGraphOutStyle"), 2, &fraGraphOutStyle};
    platform::forms::Frame fraGraphOutValue{this, QStringLiteral("fraGraphOutValue")};
    platform::forms::Label lblGraphOutValue{this, QStringLiteral("lblGraphOutValue"), &fraGraphOutValue};
    platform::forms::ControlArray<platform::forms::OptionButton> optGraphOutValue{
        this, QStringLiteral("optGraphOutValue"), 2, &fraGraphOutValue};
    platform::forms::CommandButton cmdGraphOK{this, QStringLiteral("cmdGraphOK")};
    platform::forms::CommandButton cmdGraphSet{this, QStringLiteral("cmdGraphSet")};
    platform::forms::CommandButton cmdGraphClose{this, QStringLiteral("cmdGraphClose")};

    // OK applies and closes; a failed apply keeps the dialog open.
    void cmdGraphOK_Click();
    // Applies the choices and writes "Graph.ini"; false (after a message)
    // when the file could not be written: the options then stay as they were.
    bool cmdGraphSet_Click();
    void cmdGraphClose_Click();
    void cmbScale_Click();
    void optGraphOutStyle_Click(int index);
    void optGraphOutValue_Click(int index);

protected:
    void designForm() override;
    void Form_Load() override;

private:
    void loadGraphIni();
    bool saveGraphIni();

    std::int16_t m_scaleIndex = 0;
    std::int16_t m_outvalue = 0;
    std::int16_t m_outStyle = 0;
};

} // namespace talvik
