#pragma once
// "Capture Settings" (template 141): where the capture hotkey stores its pictures (a directory and a
// six-character base name), the stereo format in which pictures are captured and shown, and whether
// captures are lossless PNG files. OK stores the four values in the user's Capture key; Cancel stores
// nothing. "View" opens the captured-image browser on the entries as they stand.
//
// OK refuses, in the status line and with the dialog left open, a name or directory from which no
// capture could be named (a device or pipe path among them: pictures go only to a folder on a drive
// or a share), and a save that fails: the opener then keeps the values in force. View refuses a
// device or pipe path the same way, and says so in the status line when the series has no picture to
// show. The edits take at most the 254 characters that the settings can read back.

#include "activator/ActivatorSettings.h"
#include "framework/Dialog.h"

#include <cstdint>
#include <string>

class CCaptureSettingsDlg : public CDialog {
public:
    explicit CCaptureSettingsDlg(HWND parent = nullptr);

    // Filled by the opener before the run; after OK, m_dir ends with a backslash and m_name has six
    // characters.
    std::string m_dir;
    std::string m_name;
    std::string m_defaultDir;
    std::string m_defaultName;
    std::int32_t m_viewMode = -1;
    // Lossless (PNG) captures; the "Lossless (PNG)" box shows it.
    bool m_lossless = false;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    bool OnCommand(WORD id, WORD notifyCode, HWND control) override;

private:
    // "+/-" and "Vertical alignment" are enabled only for Sync Double, the format they work in.
    void EnableAlignmentKeys();
    void OnDefault();
    void OnChange();
    void OnView();
    // Writes "View Mode", "Dir", "Name" and "Lossless"; false when the key cannot be created or a value
    // not written.
    bool StoreSettings() const;
    // Shows why OK was refused and puts the focus on the edit `id` to mend, its text selected.
    void Refuse(const char* text, int id);
    void SetStatus(const std::string& text);
};

// Runs the dialog on the six capture values of `settings` (view mode, directory, name, lossless and the
// two defaults) and takes them back when it ends with OK; true then.
bool EditCaptureSettings(HWND owner, CActivatorSettings& settings);
