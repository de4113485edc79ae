// The print dialog's side of a dialog extension, without a display: a print session with one
// printer and its tickets, the extension loaded from its bundle and driven through its ten
// operations, a window with the extension's pane and the Print button, and a simulated user.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/PMPrintingDialogExtensions.h"
#include "platform/controls/HeadlessBackend.h"
#include "platform/controls/SimulatedUser.h"

class PrintDialogHost {
public:
    struct Printer {
        std::string ppdPath;
        std::string deviceURI;
        std::string name;
    };

    PrintDialogHost();
    ~PrintDialogHost();
    PrintDialogHost(const PrintDialogHost&) = delete;
    PrintDialogHost& operator=(const PrintDialogHost&) = delete;

    // Loads the plug-in bundle and makes the interface object of its dialog extension; false
    // with the reason in Error() when the bundle, its factory or the interface is missing.
    bool LoadPlugIn(const std::string& bundlePath);
    // The print settings come from this XML ticket file (a damaged file is reported and
    // replaced by empty settings) and go back to it after each committing Sync.
    bool UseSettingsFile(const std::string& path);
    // Makes the session for the printer and opens the extension on it (Retain,
    // GetAPIVersion, Prologue, Initialize, Open). False when the extension cannot be made;
    // a printer it declines leaves it inactive (Active() false).
    bool OpenPrinter(const Printer& printer);
    // The dialog's buttons and actions.
    bool ClickPrint();  // true when the panel let the click through and the job was printed
    // Another printer, as when the person picks it: the extension is terminated and a new one
    // is made and initialised for it.
    bool SwitchPrinter(const Printer& printer);
    bool Reload();
    void SetOrientation(bool portrait);
    void Finish();  // Close, Terminate and Release, once

    bool Active() const { return mActive; }
    bool Printed() const { return mPrinted; }
    OSStatus InitializeStatus() const { return mInitializeStatus; }
    const std::string& Error() const { return mError; }
    SimulatedUser& User() { return *mUser; }
    HeadlessBackend& Backend() { return mBackend; }

    // The dialog's own state beside the panel's: active, restoredFromCache, summary,
    // printSettings and jobTicket.
    void AddState(nlohmann::ordered_json& state);
    // The summary lines as [title, value] pairs.
    std::vector<std::pair<std::string, std::string>> Summary();
    // The job-ticket file named in the print settings and its entries, decoded.
    struct JobTicketFile {
        std::string path;
        std::vector<std::pair<long, std::string>> entries;
    };
    bool ReadJobTicket(JobTicketFile& out, std::string* why = nullptr);
    bool RestoredFromCache();

private:
    bool MakeSession(const Printer& printer);
    void ReleaseSession();
    bool StartExtension();
    void StopExtension();
    bool WriteSettings();
    static OSStatus PrintHit(EventHandlerCallRef call, EventRef event, void* self);

    HeadlessBackend mBackend;
    ControlsBackend* mPreviousBackend = nullptr;
    std::unique_ptr<SimulatedUser> mUser;
    WindowRef mWindow = nullptr;
    ControlRef mPane = nullptr;
    ControlRef mPrintButton = nullptr;
    EventHandlerRef mPrintHandler = nullptr;
    bool mPrintHit = false;

    CFPlugInRef mPlugIn = nullptr;
    IUnknownVTbl** mInstance = nullptr;
    PlugInIntf* mInterface = nullptr;
    PMPDEContext mContext = nullptr;
    bool mOpen = false;
    bool mRetained = false;  // Retain was called on the interface

    Printer mPrinter;
    PMPrintSession mSession = nullptr;
    PMTicketRef mPrinterInfo = nullptr;
    PMTicketRef mPageFormat = nullptr;
    PMTicketRef mPrintSettings = nullptr;
    std::string mSettingsPath;

    bool mActive = false;
    bool mPrinted = false;
    OSStatus mInitializeStatus = 0;
    std::string mError;
};
