#pragma once
// The suite's About box, shown by a control's AboutBox method:
//
//   controls::AboutDialog box(controls::AboutDialog::kTemplateId, module().resources(), instance);
//   box.SetBuildText(versionText);  // the control's Version text
//   box.DoModal(0);                 // owner: the active window
//
// The box shows "zo" + the library's string 100 + " ActiveX Control -  (Build:"
// + the build text + ")" as its title line, centres itself on the screen, and
// offers the system-information program (the registry's MSINFO "Path") and
// the suite's web page (string 8000: an address, or a document installed
// beside the library), and draws the library's bitmap at its top left. Three caption clicks with Shift, Ctrl
// and Shift+Ctrl, then a click in the area of the lower buttons, start the
// credits scrolling in the box; deactivating it or any command stops them.
#include "platform/com/resources.h"
#include "platform/win/dialog.h"

#include <string>

namespace controls {

namespace win = platform::win;

class AboutDialog {
public:
    static constexpr int kTemplateId = 7000;
    // Item ids of dialog 7000.
    static constexpr int kCredits = 7008;     // hidden edit, the credits' drawing surface
    static constexpr int kSystemInfo = 7004;  // "ｼｽﾃﾑ情報(&S)"
    static constexpr int kWebPage = 7003;     // the suite's web page
    static constexpr int kDescription = 7011;
    static constexpr int kProduct = 7009;
    static constexpr int kTitle = 7005;
    static constexpr int kOwnership = 7010;
    static constexpr int kLogo = 7001;        // the static showing the library's bitmap
    static constexpr win::UINT_PTR kCreditsTimer = 1500;
    static constexpr win::UINT kCreditsInterval = 40;
    static constexpr int kCreditLineCount = 50;

    // Registers the template under templateId for the module (once) and
    // makes the credits' two fonts.
    AboutDialog(int templateId, const platform::com::ModuleResources &resources, win::HINSTANCE module);
    ~AboutDialog();
    AboutDialog(const AboutDialog &) = delete;
    AboutDialog &operator=(const AboutDialog &) = delete;

    // The build text of the title line (the control's Version text).
    void SetBuildText(const QString &version);
    // An object rather than a control: " ActiveX Object -  (Build:".
    void SetObjectKind(bool object) { m_object = object; }
    // Shows the box modally; owner 0 takes the active window. Returns the
    // id of the command that closed it (IDOK or IDCANCEL), -1 on failure.
    win::LONG_PTR DoModal(win::HWND owner);

    // The title line as the box shows it (CP932).
    std::string TitleText() const;
    // What the web-page button opens: string 8000 as it is when it is an
    // address with a scheme; a file name is the document beside this
    // library, as a file URL, or "" (its path in *missing) when it is not
    // there.
    QString WebPageAddress(QString *missing = nullptr) const;
    bool CreditsRunning() const { return m_running; }
    // The template of dialog 7000.
    static win::DialogTemplate Template();

private:
    static win::LONG_PTR DialogProc(win::HWND, win::UINT, win::WPARAM, win::LPARAM);
    static win::LRESULT CreditsAreaProc(win::HWND, win::UINT, win::WPARAM, win::LPARAM);
    win::LONG_PTR handle(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    void startCredits();
    void stopCredits();
    void stepCredits();
    void paintCredits(win::HWND area);
    void runSystemInformation();
    void openWebPage();

    int m_templateId;
    const platform::com::ModuleResources &m_resources;
    win::HINSTANCE m_module;
    std::string m_build;
    bool m_object = false;
    win::HFONT m_normalFont = 0;
    win::HFONT m_boldFont = 0;
    win::HBITMAP m_logo = 0;

    // While the box is shown.
    win::HWND m_dialog = 0;
    win::WNDPROC m_areaProc = nullptr;
    win::RECT m_creditsRect;
    int m_marks = 0;
    bool m_running = false;
    bool m_fullFill = false;
    int m_lineIndex = 0;
    int m_step = 1;
    int m_period = 15;
    int m_drawnHeight = 0;
    int m_unpainted = 0; // rows scrolled in and not painted yet
    std::string m_line;
};

} // namespace controls
