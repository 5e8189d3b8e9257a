#pragma once
// A plain form of a given design size, border and start-up position, for
// the tests of how windows appear.
#include "platform/forms/form.h"

namespace formstest {

class PlainForm : public platform::forms::Form {
public:
    PlainForm(int width, int height, int border, int position)
        : m_width(width), m_height(height), m_border(border), m_position(position)
    {
    }

protected:
    void designForm() override
    {
        setDesignSize(m_width, m_height);
        setBorderStyle(m_border);
        setStartUpPosition(m_position);
        setCaption(QStringLiteral("窓"));
    }

private:
    int m_width, m_height, m_border, m_position;
};

} // namespace formstest
