#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

struct BoxCase {
    UINT type;
    int answer;
};

TEST(MessageBox, StderrModeWritesOneLineAndAnswersTheDefaultButton) {
    ASSERT_STREQ(std::getenv("ORLUNDE_MESSAGEBOX"), "stderr");
    const BoxCase cases[] = {
        {MB_OK, IDOK},
        {MB_ICONWARNING, IDOK},
        {MB_OKCANCEL, IDOK},
        {MB_YESNO, IDYES},
        {MB_YESNO | MB_DEFBUTTON2, IDNO},
        {MB_RETRYCANCEL, IDRETRY},
    };
    for (const BoxCase& c : cases) {
        testing::internal::CaptureStderr();
        int answer = MessageBoxA(nullptr, "CreateTexture", "RenderTexture", c.type);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "MessageBox [RenderTexture] CreateTexture\n");
        EXPECT_EQ(answer, c.answer) << "type " << c.type;
    }
}

TEST(MessageBox, LineBreaksAndMissingStringsKeepItOneLine) {
    testing::internal::CaptureStderr();
    MessageBoxA(nullptr, "two\nlines\r", "Cap", MB_OK);
    MessageBoxA(nullptr, nullptr, nullptr, MB_OK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "MessageBox [Cap] two lines \nMessageBox [Error] \n");
}

TEST(MessageBox, WithoutADisplayTheLineIsWrittenAndTheCallReturns) {
    std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    unsetenv("ORLUNDE_MESSAGEBOX");
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    testing::internal::CaptureStderr();
    int answer = MessageBoxA(nullptr, "CreateDevice", "Error::D3D9Init", MB_OK);
    std::string err = testing::internal::GetCapturedStderr();
    setenv("ORLUNDE_MESSAGEBOX", "stderr", 1);
    if (!display.empty())
        setenv("DISPLAY", display.c_str(), 1);
    EXPECT_NE(err.find("MessageBox [Error::D3D9Init] CreateDevice\n"), std::string::npos) << err;
    EXPECT_EQ(answer, IDOK);
}

} // namespace
