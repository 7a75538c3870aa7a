#include <gtest/gtest.h>

#include <functional>

#include "dialogharness.h"
#include "stickforge/resource.h"
#include "stickforge/texts.h"
#include "stickforge/tooltable.h"

namespace stickforge::testing {
namespace {

// A stick on E:, the image beside the program, and a start.
struct BurnRun {
    Dialog d;
    void prepare()
    {
        d.startWithImage();
        d.plug(L'E', stick(4 * kGiB));
    }
    // The extraction thread's work and its message back to the dialog.
    void finishExtraction()
    {
        ASSERT_EQ(d.view.extractions.size(), 1u);
        d.dlg.OnBurnFinished(ExtractImage(d.platform, d.view.extractions[0]));
    }
    void expectIdleAfterFailure(const std::wstring &message)
    {
        ASSERT_FALSE(d.view.messages.empty());
        EXPECT_EQ(d.view.messages.back().text, message);
        EXPECT_EQ(d.view.messages.back().title, L"Error");
        EXPECT_FALSE(d.dlg.burning());
        EXPECT_TRUE(d.view.timers.empty()) << "the progress timer is stopped";
        EXPECT_TRUE(d.view.isEnabled(IDC_STEP1));
        EXPECT_FALSE(d.view.isEnabled(IDC_STEP2));
        EXPECT_FALSE(d.view.isEnabled(IDC_STEP3));
        EXPECT_TRUE(d.view.isEnabled(IDC_START));
        EXPECT_TRUE(d.view.isEnabled(IDC_BROWSE));
        EXPECT_TRUE(d.view.isEnabled(IDC_DRIVE_LIST));
    }
};

struct Burning : ::testing::Test, BurnRun {
    void SetUp() override
    {
        prepare();
        d.dlg.OnStartBurning();
    }
};

TEST_F(Burning, WritesTheToolsInstallsSyslinuxAndHandsOverTheRequest)
{
    ASSERT_TRUE(d.dlg.burning());
    for (const ToolFile &tool : kToolTable) {
        const std::vector<uint8_t> &resource = d.platform.resources[tool.resourceId];
        EXPECT_EQ(d.platform.files[FakePlatform::temp(tool.name)], resource) << tool.name;
    }
    ASSERT_EQ(d.platform.runs.size(), 1u);
    EXPECT_EQ(d.platform.runs[0].first, L"C:\\Temp\\syslinux.exe");
    EXPECT_EQ(d.platform.runs[0].second, L"-ma E:");
    ASSERT_EQ(d.view.extractions.size(), 1u);
    EXPECT_EQ(d.view.extractions[0].imagePath, L"C:\\Work\\Rescue.iso");
    EXPECT_EQ(d.view.extractions[0].stickRoot, L"E:\\");

    EXPECT_FALSE(d.view.isEnabled(IDC_START));
    EXPECT_FALSE(d.view.isEnabled(IDC_DRIVE_LIST));
    EXPECT_FALSE(d.view.isEnabled(IDC_BROWSE));
    EXPECT_FALSE(d.view.isEnabled(IDC_STEP1));
    EXPECT_TRUE(d.view.isEnabled(IDC_STEP2));
    EXPECT_FALSE(d.view.isEnabled(IDC_STEP3));
    EXPECT_EQ(d.view.timers, std::set<unsigned>{1000});
}

TEST_F(Burning, TheStepTwoTextGainsADotASecondUpToThree)
{
    const std::wstring base = L"2. Burning your USB drive";
    const std::wstring expected[] = {base + L".", base + L"..", base + L"...", base, base + L"."};
    for (const std::wstring &text : expected) {
        d.dlg.OnTimer(1000);
        EXPECT_EQ(d.view.texts[IDC_STEP2], text);
    }
    d.dlg.OnTimer(1); // another timer changes nothing
    EXPECT_EQ(d.view.texts[IDC_STEP2], base + L".");
}

TEST_F(Burning, ExtractionCopiesTheMenuFilesThenRuns7Zip)
{
    finishExtraction();
    for (const ToolFile &tool : kToolTable) {
        const bool copied = d.platform.files.count(std::wstring(L"E:\\") + tool.name) != 0;
        EXPECT_EQ(copied, tool.onStick) << tool.name;
    }
    ASSERT_EQ(d.platform.runs.size(), 2u);
    EXPECT_EQ(d.platform.runs[1].first, L"C:\\Temp\\7z.exe");
    EXPECT_EQ(d.platform.runs[1].second, L"x \"C:\\Work\\Rescue.iso\" -y -oE:\\");

    ASSERT_EQ(d.view.messages.size(), 1u);
    EXPECT_EQ(d.view.messages[0].text, L"Now you can restart your computer with USB drive.");
    EXPECT_EQ(d.view.messages[0].title, L"Congratulations");
    EXPECT_FALSE(d.dlg.burning());
    EXPECT_TRUE(d.view.timers.empty());
    EXPECT_TRUE(d.view.isEnabled(IDC_START));
    EXPECT_TRUE(d.view.isEnabled(IDC_DRIVE_LIST));
    EXPECT_TRUE(d.view.isEnabled(IDC_BROWSE));
    EXPECT_FALSE(d.view.isEnabled(IDC_STEP1)) << "finished keeps step 1 greyed";
    EXPECT_FALSE(d.view.isEnabled(IDC_STEP2));
    EXPECT_TRUE(d.view.isEnabled(IDC_STEP3));
}

// Every failure is reported and the dialog returns to idle: the Part's
// program stayed "burning" or even congratulated.
TEST(BurnFailures, AreReportedAndReturnToIdle)
{
    struct Case {
        const char *what;
        std::function<void(FakePlatform &)> breakIt;
        bool duringStart; // before the extraction thread would start
        std::wstring message;
    };
    const std::wstring temp = L"C:\\Temp\\";
    const Case cases[] = {
        {"a tool file cannot be created",
         [&](FakePlatform &p) { p.uncreatable.insert(temp + L"vesamenu.c32"); }, true,
         L"Failed to create file: vesamenu.c32"},
        {"a tool file is not written whole",
         [&](FakePlatform &p) { p.unwritable.insert(temp + L"7z.dll"); }, true,
         L"Failed to write file: 7z.dll"},
        {"a resource is missing", [](FakePlatform &p) { p.resources.erase(IDR_SPLASH_PNG); }, true,
         L"Failed to write file: splash.png"},
        {"syslinux.exe does not start",
         [&](FakePlatform &p) { p.toolResults[temp + L"syslinux.exe"] = {false, 193, 0}; }, true,
         L"Failed to install grub\n"},
        {"syslinux.exe fails", [&](FakePlatform &p) { p.toolResults[temp + L"syslinux.exe"] = {true, 0, 1}; },
         true, L"Failed to install grub\nsyslinux.exe ended with exit code 1."},
        {"a menu file cannot be copied", [](FakePlatform &p) { p.copyErrors[L"E:\\splash.png"] = 112; }, false,
         L"Failed to copy splash.png with error code: 112\n"},
        {"7z.exe does not start", [&](FakePlatform &p) { p.toolResults[temp + L"7z.exe"] = {false, 2, 0}; },
         false, L"Failed to extract files\n"},
        {"7z.exe fails", [&](FakePlatform &p) { p.toolResults[temp + L"7z.exe"] = {true, 0, 2}; }, false,
         L"Failed to extract files\n7z.exe ended with exit code 2."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        BurnRun run;
        run.prepare();
        c.breakIt(run.d.platform);
        run.d.dlg.OnTimer(1000);
        run.d.dlg.OnStartBurning();
        if (c.duringStart) {
            EXPECT_TRUE(run.d.view.extractions.empty());
        } else {
            run.finishExtraction();
        }
        run.expectIdleAfterFailure(c.message);
        EXPECT_EQ(run.d.view.messages.size(), 1u);
    }
}

TEST(Closing, RemovesTheToolFilesAlsoWithoutABurn)
{
    Dialog d;
    d.dlg.OnInitDialog();
    for (const ToolFile &tool : kToolTable)
        d.platform.files[FakePlatform::temp(tool.name)] = {1}; // left by an earlier run
    d.platform.files[FakePlatform::temp(L"other.txt")] = {1};
    d.dlg.OnCancel();
    EXPECT_TRUE(d.view.ended);
    EXPECT_EQ(d.platform.files.size(), 1u);
    EXPECT_EQ(d.platform.files.count(FakePlatform::temp(L"other.txt")), 1u);
}

TEST_F(Burning, ClosingWhileWritingIsRefusedAndKeepsTheTools)
{
    d.dlg.OnCancel();
    EXPECT_FALSE(d.view.ended);
    ASSERT_EQ(d.view.messages.size(), 1u);
    EXPECT_EQ(d.view.messages[0].text, texts::kStillWriting);
    EXPECT_EQ(d.platform.files.count(FakePlatform::temp(L"7z.exe")), 1u);

    finishExtraction();
    d.dlg.OnCancel();
    EXPECT_TRUE(d.view.ended);
    EXPECT_EQ(d.platform.files.count(FakePlatform::temp(L"7z.exe")), 0u);
}

} // namespace
} // namespace stickforge::testing
