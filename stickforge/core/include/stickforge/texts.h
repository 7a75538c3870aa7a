#pragma once

namespace stickforge::texts {

// Every text the stick writer's logic shows; the dialog's own texts are in
// its resource script.
inline constexpr const wchar_t *kNoDrive = L"No USB Drive Detected";
inline constexpr const wchar_t *kImageName = L"Rescue.iso";
inline constexpr const wchar_t *kStep2 = L"2. Burning your USB drive";

inline constexpr const wchar_t *kWarningTitle = L"Warning";
inline constexpr const wchar_t *kErrorTitle = L"Error";
inline constexpr const wchar_t *kFinishedTitle = L"Congratulations";

inline constexpr const wchar_t *kChooseImage = L"Please choose ISO path!";
inline constexpr const wchar_t *kChooseDrive = L"Please choose USB drive!";
inline constexpr const wchar_t *kNoSpace = L"No enough space remaining, please choose another USB Drive!";
inline constexpr const wchar_t *kImageMissing = L"The Korvo Rescue Disk Image is not found";
inline constexpr const wchar_t *kFinished = L"Now you can restart your computer with USB drive.";
inline constexpr const wchar_t *kStillWriting =
    L"The USB drive is still being written. Please wait until it is finished.";

// Failures; %s is a file name, %lu a code.
inline constexpr const wchar_t *kCreateFailed = L"Failed to create file: %s";
inline constexpr const wchar_t *kWriteFailed = L"Failed to write file: %s";
inline constexpr const wchar_t *kBootLoaderNotStarted = L"Failed to install grub\n";
inline constexpr const wchar_t *kBootLoaderFailed = L"Failed to install grub\nsyslinux.exe ended with exit code %lu.";
inline constexpr const wchar_t *kCopyFailed = L"Failed to copy %s with error code: %lu\n";
inline constexpr const wchar_t *kExtractNotStarted = L"Failed to extract files\n";
inline constexpr const wchar_t *kExtractFailed = L"Failed to extract files\n7z.exe ended with exit code %lu.";

} // namespace stickforge::texts
