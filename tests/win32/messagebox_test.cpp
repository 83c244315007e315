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

struct ViewerCase {
    UINT type;
    const char* key;
    int answer;
};

// A real box on the X server, answered from the keyboard as a viewer would.
TEST(MessageBox, RealBoxWaitsForTheViewersAnswer) {
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs an X server";
    const ViewerCase cases[] = {
        {MB_OK, "Return", IDOK},
        {MB_YESNO | MB_DEFBUTTON2, "Return", IDNO},
        {MB_OKCANCEL | MB_ICONWARNING, "Escape", IDCANCEL},
    };
    unsetenv("ORLUNDE_MESSAGEBOX");
    int n = 0;
    for (const ViewerCase& c : cases) {
        // Each box has its own caption: a helper still pressing keys for an earlier box must
        // not answer this one.
        std::string caption = "Viewer box " + std::to_string(++n);
        // xdotool's search misses SDL's box windows: find it in the window tree instead, and
        // press again while it stays open so that a lost key cannot hang the test.
        std::string answer = "(for i in $(seq 100); do id=$(xwininfo -root -tree | awk '/\"" + caption +
                             "\"/ {print $1; exit}'); [ -n \"$id\" ] && break; sleep 0.1; done; sleep 0.3;"
                             " for t in 1 2 3 4 5; do xwininfo -id $id 2> /dev/null | grep -q '\"" + caption +
                             "\"' || break; xdotool windowfocus --sync $id key " + c.key +
                             "; sleep 1; done) > /dev/null 2>&1 &";
        ASSERT_EQ(std::system(answer.c_str()), 0);
        testing::internal::CaptureStderr();
        int result = MessageBoxA(nullptr, "Answer me", caption.c_str(), c.type);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "a shown box writes no line";
        EXPECT_EQ(result, c.answer) << c.key;
    }
    setenv("ORLUNDE_MESSAGEBOX", "stderr", 1);
}

} // namespace
