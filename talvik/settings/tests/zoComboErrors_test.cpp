// What a failed member of the customer combo raises: the control's own words
// where it left an error object, else the standard text of the number.
#include "platform/com/errorinfo.h"
#include "platform/runtime/runtime_error.h"
#include "talvik/settings/zoCombo.h"

#include <gtest/gtest.h>

namespace {

namespace com = platform::com;

std::pair<int, QString> raisedFor(com::HRESULT hr)
{
    try {
        talvik::raiseControlError(hr);
    } catch (const platform::RuntimeError &e) {
        return {e.Number(), e.Description()};
    }
    return {0, QString()};
}

constexpr com::HRESULT runtimeCode(int number)
{
    return static_cast<com::HRESULT>(0x800A0000u + static_cast<uint32_t>(number));
}

TEST(ControlErrors, TheControlsOwnWordsWinOverTheStandardText)
{
    com::reportError(runtimeCode(platform::err::InvalidPropertyValue), com::IID_IErrorInfo, QStringLiteral("Combo"),
                     QStringLiteral("Content は 255 文字までです。"));
    EXPECT_EQ(raisedFor(runtimeCode(platform::err::InvalidPropertyValue)),
              std::make_pair(380, QStringLiteral("Content は 255 文字までです。")));
}

TEST(ControlErrors, WithoutAnErrorObjectTheNumberTellsItsText)
{
    com::SetErrorInfo(0, nullptr);
    EXPECT_EQ(raisedFor(runtimeCode(platform::err::InvalidPropertyValue)),
              std::make_pair(380, QStringLiteral("プロパティの値が不正です。")));
    com::SetErrorInfo(0, nullptr);
    EXPECT_EQ(raisedFor(runtimeCode(platform::err::PropertyReadOnly)),
              std::make_pair(383, platform::errorDescription(platform::err::PropertyReadOnly)));
    // A failure outside the run-time numbers: an automation error naming its code.
    com::SetErrorInfo(0, nullptr);
    EXPECT_EQ(raisedFor(static_cast<com::HRESULT>(0x80004005u)),
              std::make_pair(int(0x80004005u), QStringLiteral("オートメーション エラーです。(0x80004005)")));
}

} // namespace
