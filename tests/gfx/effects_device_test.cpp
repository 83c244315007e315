// Compiling real effect files: registration order, and the Y/N prompt after a failure.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "device_env.h"
#include "gfx/effects.h"

namespace {

const char* const kBrokenEffect = "float4 ps() : COLOR0 { return undeclared; }\n"
                                  "technique t { pass p { PixelShader = compile ps_2_0 ps(); } }\n";

std::string fileText(const char* path) {
    std::string text;
    std::FILE* f = std::fopen(path, "rb");
    char buffer[4096];
    size_t n;
    while (f && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, n);
    if (f)
        std::fclose(f);
    return text;
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(EffectsCompile, RegistersInListOrderWithDuplicates) {
    Effects effects;
    const char* const list[] = {kTestEffectPath, "test", kTestEffectPath, "again", kTestEffectPath, "test", nullptr};
    StdoutHook out;
    effects.compile(list);
    EXPECT_EQ(out.text(), std::string("Effects::Compiling ") + kTestEffectPath + "\n" + "Effects::Compiling " +
                              kTestEffectPath + "\n" + "Effects::Compiling " + kTestEffectPath + "\n" +
                              "Effects::Done Compiling\n");
    ASSERT_EQ(effects.size(), 3);
    EXPECT_EQ(effects.find("test"), effects.objects[0]);
    EXPECT_EQ(effects.find("again"), effects.objects[1]);
}

TEST(EffectsCompile, FailureAnsweredNoKeepsTheEffectsBeforeIt) {
    const std::string broken = tempPath("gfx_broken_no.fx");
    writeTextFile(broken, kBrokenEffect);
    Effects effects;
    const char* const list[] = {kTestEffectPath, "good", broken.c_str(), "broken", kTestEffectPath, "later", nullptr};
    win32ResetKeyState();
    win32SimulateKeyPress('N');
    StdoutHook out;
    testing::internal::CaptureStderr();
    effects.compile(list);
    const std::string boxes = testing::internal::GetCapturedStderr();
    EXPECT_EQ(boxes.rfind("MessageBox [Shader Compilation Error In [" + broken + "]] ", 0), 0u) << boxes;
    EXPECT_EQ(count(boxes, "MessageBox ["), 1u);
    EXPECT_EQ(effects.size(), 1);
    EXPECT_EQ(effects.names[0], std::string("good"));
    EXPECT_NE(out.text().find("Compiling shaders failed. try again Y/N (waiting for response)\n"), std::string::npos);
    EXPECT_EQ(out.text().find("Effects::Done Compiling"), std::string::npos);
    EXPECT_EQ(count(out.text(), "Effects::Compiling"), 2u);  // the pair after the failure is not tried
}

TEST(EffectsCompile, FailureAnsweredYesAfterTheFixRecompilesTheWholeList) {
    const std::string broken = tempPath("gfx_broken_yes.fx");
    writeTextFile(broken, kBrokenEffect);
    const std::string fixed = fileText(kTestEffectPath);
    Effects effects;
    const char* const earlier[] = {kTestEffectPath, "earlier", nullptr};
    effects.compile(earlier);
    const char* const list[] = {kTestEffectPath, "good", broken.c_str(), "fixed", nullptr};
    win32ResetKeyState();
    // The author fixes the file while the prompt waits, then answers Y.
    StdoutHook out([&](const std::string& chunk) {
        if (chunk.find("try again Y/N") != std::string::npos) {
            writeTextFile(broken, fixed);
            win32SimulateKeyPress('Y');
        }
    });
    testing::internal::CaptureStderr();
    effects.compile(list);
    EXPECT_EQ(count(testing::internal::GetCapturedStderr(), "MessageBox ["), 1u);
    // The retry cleared the library first: exactly the list's entries remain.
    ASSERT_EQ(effects.size(), 2);
    EXPECT_EQ(effects.names[0], std::string("good"));
    EXPECT_EQ(effects.names[1], std::string("fixed"));
    EXPECT_EQ(count(out.text(), "Effects::Done Compiling\n"), 1u);
    EXPECT_EQ(count(out.text(), "Effects::Compiling " + broken), 2u);
}

TEST(EffectsCompile, RecompileAllEffectsLeavesEachMainEffectOnce) {
    for (const char* path : {"data/general.fx", "data/backroundfx/backgroundfx.fx", "data/part_1/part_1.fx"})
        if (!std::filesystem::exists(path))
            GTEST_SKIP() << path << " is not there yet";
    Effects effects;
    const char* const general[] = {"data/general.fx", "general", nullptr};
    effects.compile(general);
    effects.compile(kMainEffectList);
    ASSERT_EQ(effects.size(), 4);
    win32ResetKeyState();
    win32SimulateKeyPress('N');  // should a main effect fail to compile, do not wait
    StdoutHook out;
    effects.recompileAllEffects();
    EXPECT_NE(out.text().find("Size: 3\n"), std::string::npos) << out.text();
    EXPECT_EQ(std::vector<std::string>(effects.names.begin(), effects.names.end()),
              (std::vector<std::string>{"general", "backgroundfx", "part1"}));
    win32ResetKeyState();
}

}  // namespace
