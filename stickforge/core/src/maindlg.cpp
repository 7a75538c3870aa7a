#include "stickforge/maindlg.h"

#include <cwctype>

#include "stickforge/dialogview.h"
#include "stickforge/platform.h"
#include "stickforge/resource.h"
#include "stickforge/texts.h"
#include "textformat.h"

namespace stickforge {
namespace {

bool lessIgnoringCase(const std::wstring &a, const std::wstring &b)
{
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const wint_t x = std::towlower(wint_t(a[i]));
        const wint_t y = std::towlower(wint_t(b[i]));
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

bool startsWithIgnoringCase(const std::wstring &text, const std::wstring &prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::towlower(wint_t(text[i])) != std::towlower(wint_t(prefix[i])))
            return false;
    }
    return true;
}

std::wstring failureMessage(const BurnResult &result)
{
    using Kind = BurnResult::Kind;
    switch (result.kind) {
    case Kind::Ok:
        break;
    case Kind::ToolCreateFailed:
        return fillText(texts::kCreateFailed, result.file);
    case Kind::ToolWriteFailed:
        return fillText(texts::kWriteFailed, result.file);
    case Kind::BootLoaderNotStarted:
        return texts::kBootLoaderNotStarted;
    case Kind::BootLoaderFailed:
        return fillText(texts::kBootLoaderFailed, {}, result.code);
    case Kind::CopyFailed:
        return fillText(texts::kCopyFailed, result.file, result.code);
    case Kind::ExtractNotStarted:
        return texts::kExtractNotStarted;
    case Kind::ExtractFailed:
        return fillText(texts::kExtractFailed, {}, result.code);
    }
    return {};
}

} // namespace

CMainDlg::CMainDlg(Platform &platform, DialogView &view)
    : m_platform(platform), m_view(view), m_step2Text(texts::kStep2)
{
}

void CMainDlg::OnInitDialog()
{
    m_view.setEnabled(IDC_STEP2, false);
    m_view.setEnabled(IDC_STEP3, false);
    m_view.setEnabled(IDC_START, false);

    std::wstring folder = m_platform.currentDirectory();
    if (!folder.empty() && folder.back() != L'\\')
        folder += L'\\';
    const std::wstring image = folder + texts::kImageName;
    if (!folder.empty() && m_platform.fileExists(image)) {
        m_path = image;
        m_view.setText(IDC_IMAGE_PATH, m_path);
    }

    m_items.push_back({texts::kNoDrive, 0});
    m_view.insertItem(0, texts::kNoDrive, 0);
    m_view.selectItem(0);

    m_view.startDriveWatcher();
}

bool CMainDlg::hasDrive() const
{
    return !(m_items.size() == 1 && m_items.front().text == texts::kNoDrive);
}

void CMainDlg::OnDrivesChanged(const std::vector<DriveChange> &changes)
{
    for (const DriveChange &change : changes) {
        if (change.arrived) {
            const Item item{change.text, change.freeMiB};
            if (!hasDrive()) {
                m_items.clear();
                m_view.deleteItem(0);
                m_items.push_back(item);
                m_view.insertItem(0, item.text, item.data);
                m_view.selectItem(0);
                // While a stick is written the start button stays off,
                // whatever comes and goes.
                if (!m_path.empty() && !m_burning)
                    m_view.setEnabled(IDC_START, true);
            } else {
                size_t at = 0;
                while (at < m_items.size() && !lessIgnoringCase(item.text, m_items[at].text))
                    ++at;
                m_items.insert(m_items.begin() + long(at), item);
                m_view.insertItem(int(at), item.text, item.data);
            }
            continue;
        }

        if (!hasDrive())
            continue;
        const std::wstring name{change.letter, L':'};
        size_t at = 0;
        while (at < m_items.size() && !startsWithIgnoringCase(m_items[at].text, name))
            ++at;
        if (at == m_items.size())
            continue;
        const bool wasSelected = m_view.selectedItem() == int(at);
        m_items.erase(m_items.begin() + long(at));
        m_view.deleteItem(int(at));
        if (m_items.empty()) {
            m_items.push_back({texts::kNoDrive, 0});
            m_view.insertItem(0, texts::kNoDrive, 0);
            m_view.selectItem(0);
            m_view.setEnabled(IDC_START, false);
        } else if (wasSelected) {
            m_view.selectItem(0);
        }
    }
}

void CMainDlg::OnTimer(unsigned id)
{
    if (id != kProgressTimer)
        return;
    m_dots = m_dots % 4 + 1;
    if (m_dots == 4)
        m_step2Text.resize(m_step2Text.size() >= 3 ? m_step2Text.size() - 3 : 0);
    else
        m_step2Text += L'.';
    m_view.setText(IDC_STEP2, m_step2Text);
}

void CMainDlg::OnBrowse()
{
    const std::optional<std::wstring> picked = m_view.browseForImage();
    if (!picked)
        return;
    m_path = *picked;
    m_view.setText(IDC_IMAGE_PATH, m_path);
    if (!m_path.empty())
        m_view.setEnabled(IDC_START, true);
}

void CMainDlg::OnStartBurning()
{
    if (m_burning)
        return;

    const wchar_t *warning = nullptr;
    const int selected = m_view.selectedItem();
    if (m_path.empty())
        warning = texts::kChooseImage;
    else if (selected < 0 || size_t(selected) >= m_items.size())
        warning = texts::kChooseDrive;
    else if (m_items[size_t(selected)].data < kMinimumFreeMiB)
        warning = texts::kNoSpace;
    if (warning) {
        m_view.showMessage(warning, texts::kWarningTitle, MessageKind::Warning);
        m_view.setEnabled(IDC_START, true);
        m_view.setEnabled(IDC_BROWSE, true);
        m_view.setEnabled(IDC_DRIVE_LIST, true);
        return;
    }

    const std::wstring drive = m_items[size_t(selected)].text.substr(0, 2);
    if (!m_platform.fileExists(m_path)) {
        m_view.showMessage(texts::kImageMissing, texts::kErrorTitle, MessageKind::Error);
        return;
    }

    enterBurning();
    BurnResult result = ExtractTools(m_platform);
    if (result.ok())
        result = InstallBootLoader(m_platform, drive);
    if (!result.ok()) {
        reportFailure(result);
        return;
    }
    m_view.startExtraction({m_path, drive + L"\\"});
}

void CMainDlg::OnBurnFinished(const BurnResult &result)
{
    if (!m_burning)
        return;
    if (!result.ok()) {
        reportFailure(result);
        return;
    }
    m_view.killTimer(kProgressTimer);
    m_burning = false;
    m_view.setEnabled(IDC_START, true);
    m_view.setEnabled(IDC_DRIVE_LIST, true);
    m_view.setEnabled(IDC_BROWSE, true);
    m_view.setEnabled(IDC_STEP2, false);
    m_view.setEnabled(IDC_STEP3, true);
    m_view.showMessage(texts::kFinished, texts::kFinishedTitle, MessageKind::Information);
}

void CMainDlg::OnCancel()
{
    // Ending now would delete 7z.exe from under the running extraction and
    // leave a half-written stick that looks finished.
    if (m_burning) {
        m_view.showMessage(texts::kStillWriting, texts::kWarningTitle, MessageKind::Warning);
        return;
    }
    DeleteTools(m_platform);
    m_view.endDialog();
}

void CMainDlg::enterBurning()
{
    m_burning = true;
    m_view.setEnabled(IDC_START, false);
    m_view.setEnabled(IDC_DRIVE_LIST, false);
    m_view.setEnabled(IDC_BROWSE, false);
    m_view.setEnabled(IDC_STEP1, false);
    m_view.setEnabled(IDC_STEP2, true);
    m_view.setEnabled(IDC_STEP3, false);
    m_view.setTimer(kProgressTimer, 1000);
}

void CMainDlg::reportFailure(const BurnResult &result)
{
    m_view.killTimer(kProgressTimer);
    m_burning = false;
    m_view.setEnabled(IDC_STEP1, true);
    m_view.setEnabled(IDC_STEP2, false);
    m_view.setEnabled(IDC_STEP3, false);
    m_view.setEnabled(IDC_BROWSE, true);
    m_view.setEnabled(IDC_DRIVE_LIST, true);
    m_view.setEnabled(IDC_START, true);
    m_view.showMessage(failureMessage(result), texts::kErrorTitle, MessageKind::Error);
}

} // namespace stickforge
