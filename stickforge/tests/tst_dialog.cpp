#include <gtest/gtest.h>

#include "dialogharness.h"
#include "stickforge/resource.h"
#include "stickforge/texts.h"

namespace stickforge::testing {
namespace {

const std::wstring kStickE = L"E: (Kingston DataTraveler 3.0)  (8.00 GB)";

TEST(Dialog, StartsWithThePlaceholderAndTheImageBesideIt)
{
    Dialog without;
    without.dlg.OnInitDialog();
    EXPECT_EQ(without.view.itemTexts(), std::vector<std::wstring>{L"No USB Drive Detected"});
    EXPECT_EQ(without.view.selectedText(), L"No USB Drive Detected");
    EXPECT_EQ(without.view.items[0].second, 0u);
    EXPECT_EQ(without.view.texts.count(IDC_IMAGE_PATH), 0u);
    EXPECT_FALSE(without.view.isEnabled(IDC_START));
    EXPECT_FALSE(without.view.isEnabled(IDC_STEP2));
    EXPECT_FALSE(without.view.isEnabled(IDC_STEP3));
    EXPECT_TRUE(without.view.watcherStarted);

    Dialog beside;
    beside.startWithImage();
    EXPECT_EQ(beside.view.texts[IDC_IMAGE_PATH], L"C:\\Work\\Rescue.iso");
    EXPECT_FALSE(beside.view.isEnabled(IDC_START)) << "no drive yet";

    Dialog atRoot;
    atRoot.platform.cwd = L"D:\\";
    atRoot.platform.files[L"D:\\Rescue.iso"] = {1};
    atRoot.dlg.OnInitDialog();
    EXPECT_EQ(atRoot.view.texts[IDC_IMAGE_PATH], L"D:\\Rescue.iso");
}

TEST(Dialog, PluggingAndUnpluggingAStick)
{
    for (const bool withPath : {true, false}) {
        SCOPED_TRACE(withPath ? "with a path" : "without a path");
        Dialog d;
        if (withPath)
            d.startWithImage();
        else
            d.dlg.OnInitDialog();

        d.plug(L'E', stick(4 * kGiB));
        EXPECT_EQ(d.view.itemTexts(), std::vector<std::wstring>{kStickE});
        EXPECT_EQ(d.view.selectedText(), kStickE);
        EXPECT_EQ(d.view.items[0].second, 4096u);
        EXPECT_EQ(d.view.isEnabled(IDC_START), withPath);

        d.unplug(L'E');
        EXPECT_EQ(d.view.itemTexts(), std::vector<std::wstring>{L"No USB Drive Detected"});
        EXPECT_EQ(d.view.selectedText(), L"No USB Drive Detected");
        EXPECT_FALSE(d.view.isEnabled(IDC_START));

        // Browsing for the image enables the start button from then on.
        d.view.browseAnswer = L"D:\\images\\Rescue.iso";
        d.dlg.OnBrowse();
        EXPECT_EQ(d.view.texts[IDC_IMAGE_PATH], L"D:\\images\\Rescue.iso");
        EXPECT_TRUE(d.view.isEnabled(IDC_START));
    }
}

TEST(Dialog, SeveralSticksStayInLetterOrderAndKeepTheSelection)
{
    Dialog d;
    d.startWithImage();
    d.plug(L'G', stick(kGiB));
    d.plug(L'E', stick(kGiB));
    FakeDrive noIds = stick(kGiB, 2 * kGiB);
    noIds.vendor.clear();
    noIds.product.clear();
    d.plug(L'F', noIds);
    EXPECT_EQ(d.view.itemTexts(), (std::vector<std::wstring>{
                                      kStickE, L"F: (NULL)  (2.00 GB)",
                                      L"G: (Kingston DataTraveler 3.0)  (8.00 GB)"}));
    ASSERT_EQ(d.view.selectedText(), L"G: (Kingston DataTraveler 3.0)  (8.00 GB)")
        << "the first stick stays selected as others come";

    d.unplug(L'E'); // not the selected one
    EXPECT_EQ(d.view.selectedText(), L"G: (Kingston DataTraveler 3.0)  (8.00 GB)");
    d.unplug(L'G'); // the selected one: the first item is selected
    EXPECT_EQ(d.view.itemTexts(), std::vector<std::wstring>{L"F: (NULL)  (2.00 GB)"});
    EXPECT_EQ(d.view.selectedText(), L"F: (NULL)  (2.00 GB)");
    EXPECT_TRUE(d.view.isEnabled(IDC_START));
}

TEST(Dialog, ACardReaderOrDiskOnAnotherBusIsNeverListed)
{
    Dialog d;
    d.startWithImage();
    FakeDrive reader = stick(16 * kGiB);
    reader.busType = 0x0c; // SD
    FakeDrive disk = stick(900 * kGiB);
    disk.busType = 0x0b; // SATA
    d.platform.drives[L'E'] = reader;
    d.platform.drives[L'F'] = disk;
    for (int second = 0; second < 3; ++second)
        d.scan();
    EXPECT_EQ(d.view.itemTexts(), std::vector<std::wstring>{L"No USB Drive Detected"});
    EXPECT_FALSE(d.view.isEnabled(IDC_START));
}

TEST(Dialog, StartChecksInOrder)
{
    struct Case {
        const char *what;
        bool path;
        uint64_t freeBytes; // 0: no stick
        bool select;
        const wchar_t *warning;
    };
    const Case cases[] = {
        {"no image path", false, 4 * kGiB, true, L"Please choose ISO path!"},
        {"no selection", true, 4 * kGiB, false, L"Please choose USB drive!"},
        {"only the placeholder", true, 0, true, texts::kNoSpace},
        {"149 MiB free", true, 149 * kMiB + kMiB / 2, true, texts::kNoSpace},
        {"150 MiB free", true, 150 * kMiB, true, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Dialog d;
        if (c.path)
            d.startWithImage();
        else
            d.dlg.OnInitDialog();
        if (c.freeBytes)
            d.plug(L'E', stick(c.freeBytes));
        if (!c.select)
            d.view.selection = -1;
        d.dlg.OnStartBurning();
        if (c.warning) {
            ASSERT_EQ(d.view.messages.size(), 1u);
            EXPECT_EQ(d.view.messages[0].text, c.warning);
            EXPECT_EQ(d.view.messages[0].title, L"Warning");
            EXPECT_FALSE(d.dlg.burning());
            EXPECT_TRUE(d.view.isEnabled(IDC_START));
            EXPECT_TRUE(d.view.isEnabled(IDC_BROWSE));
            EXPECT_TRUE(d.view.isEnabled(IDC_DRIVE_LIST));
            EXPECT_TRUE(d.platform.runs.empty());
        } else {
            EXPECT_TRUE(d.view.messages.empty());
            EXPECT_TRUE(d.dlg.burning());
            ASSERT_EQ(d.view.extractions.size(), 1u);
        }
    }
}

TEST(Dialog, AMissingImageLeavesTheControlsAsTheyAre)
{
    Dialog d;
    d.startWithImage();
    d.plug(L'E', stick(4 * kGiB));
    d.platform.files.erase(L"C:\\Work\\Rescue.iso");
    const auto before = d.view.enabled;
    d.dlg.OnStartBurning();
    ASSERT_EQ(d.view.messages.size(), 1u);
    EXPECT_EQ(d.view.messages[0].text, L"The Korvo Rescue Disk Image is not found");
    EXPECT_EQ(d.view.messages[0].title, L"Error");
    EXPECT_EQ(d.view.enabled, before);
    EXPECT_FALSE(d.dlg.burning());
}

TEST(Dialog, SticksComingAndGoingWhileBurningNeverEnableStart)
{
    Dialog d;
    d.startWithImage();
    d.plug(L'E', stick(4 * kGiB));
    d.dlg.OnStartBurning();
    ASSERT_TRUE(d.dlg.burning());

    d.unplug(L'E');
    d.plug(L'F', stick(4 * kGiB));
    EXPECT_EQ(d.view.selectedText(), L"F: (Kingston DataTraveler 3.0)  (8.00 GB)");
    EXPECT_FALSE(d.view.isEnabled(IDC_START));
    d.dlg.OnStartBurning();
    EXPECT_EQ(d.view.extractions.size(), 1u) << "a second burn must not start";
}

} // namespace
} // namespace stickforge::testing
