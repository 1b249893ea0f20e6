// Running a link: the target text, e-mail commands, the hand-over to the
// shell and the message box when the shell fails.
#include <algorithm>
#include <string>

#include "aids/hyperlink.h"
#include "aids/link_text.h"
#include "platform/shell_execute.h"

namespace aids {
namespace {

constexpr std::string_view kShellErrorCaption = "Shell Execute Error:";

std::string_view SkypeSuffix(int32_t function) {
    switch (function) {
        case 1:
            return "?call";
        case 2:
            return "?chat";
        case 3:
            return "?add";
        case 4:
            return "?voicemail";
        case 5:
            return "?userinfo";
        default:
            return "";
    }
}

}  // namespace

std::string HyperLinkClass::TargetOf(const LinkRow& row) {
    const int32_t k = surface_.Kind(row.Control);
    if (k == kind::kEntry) return surface_.ShownText(row.Control);
    if (k == kind::kList && surface_.ListColumn(row.Control) == row.Column)
        return GetListURL(row.Control, "", "", row.Column);
    if (!row.URL.empty()) return row.URL;
    if (kind::IsStringControl(k) || k == kind::kCombo) return surface_.ShownText(row.Control);
    return surface_.Text(row.Control);
}

void HyperLinkClass::RunLink(LinkRow& row) {
    std::string target = TargetOf(row);
    if (surface_.Kind(row.Control) != kind::kList && RefreshURL(row.Control) != 0) target = URLToRun;
    const std::string_view suffix = SkypeSuffix(row.SkypeFunction);
    if (!target.empty() && !suffix.empty()) target = "skype:" + target + std::string(suffix);
    URLToRun = Cut(platform::TrimRight(target), kMaxUrl);
    Debug("Before Run: Control: " + std::to_string(row.Control) + " Col: " + std::to_string(row.Column) +
          " Skype: " + std::to_string(row.SkypeFunction) + " URL:" + URLToRun);
    if (!target.empty()) Run(row.Control, 0);
}

int32_t HyperLinkClass::RefreshURL(int32_t) { return 0; }

void HyperLinkClass::Run(std::optional<int32_t> /*control*/, int32_t limit) {
    if (Disable) return;
    if (limit == 0) limit = LimitURL;
    const bool email =
        URLToRun.find('@') != std::string::npos && !StartsWithNoCase(URLToRun, "http://") && URLIsNotAnEmail == 0;
    if (email) {
        RunEmail(limit);
        return;
    }
    if (URLToRun.empty()) return;
    const bool throughBrowser = !TryToStartInExistingWindow && ContainsNoCase(HyperBrowser, "iexplore") &&
                                (StartsWithNoCase(URLToRun, "www.") || StartsWithNoCase(URLToRun, "http:"));
    if (throughBrowser) {
        Debug("Command to run: [" + HyperBrowser + "] [" + URLToRun + "]");
        Open(HyperBrowser, URLToRun, HyperBrowser + " " + URLToRun);
    } else {
        Debug("Command to run: [" + URLToRun + "]");
        Open(URLToRun, "", URLToRun);
    }
}

void HyperLinkClass::RunEmail(int32_t limit) {
    const std::string target = EncodeEmails ? FormatString(URLToRun) : URLToRun;
    std::string command = ContainsNoCase(target, "mailto:") ? target : "mailto:" + target;
    // Only the oldest systems (Windows 95, 98, NT 4) cap a mail command at 520
    // characters; this platform never does, so -1 stays "no limit".
    if (limit > 0) {
        const auto most = static_cast<std::size_t>(limit);
        const std::size_t programLength = platform::TrimRight(HyperEmail).size();
        if (command.size() + programLength > most) command.resize(most > programLength ? most - programLength : 0);
    }
    Debug("Command to run: " + command);
    Open(command, "", command);
}

/// Hands a target to the shell. An opener that may keep the window thread
/// waiting runs on a thread of its own; its result comes back as kLinkOutcome.
void HyperLinkClass::Open(const std::string& file, const std::string& parameters, const std::string& command) {
    if (platform::ShellMayWait() && runs_.Start(file, parameters, command)) return;
    CheckShellResult(platform::ShellExecuteA(nullptr, "", file, parameters, "", platform::SW_SHOWNORMAL), command);
}

void HyperLinkClass::CheckShellResult(int32_t result, std::string_view command) {
    if (result > 32) return;
    HandleError(result, std::string(ShellErrorText(result)) + std::string(command), kShellErrorCaption);
}

void HyperLinkClass::HandleError(int32_t code, std::string_view text, std::string_view caption) {
    const std::string number = std::to_string(code);
    surface_.MessageBox("(" + number + ") " + std::string(text), std::string(caption) + number,
                        MessageIcon::Information);
}

std::string_view HyperLinkClass::ShellErrorText(int32_t code) {
    switch (code) {
        case 32:
            return "The specified dynamic-link library was not found. File:|";
        case 31:
            return "There is no application associated with the given file name extension. File:|";
        case 30:
            return "The DDE transaction could not be completed because other DDE transactions were being "
                   "processed. File:|";
        case 29:
            return "The DDE transaction failed. File:|";
        case 28:
            return "The DDE transaction could not be completed because the request timed out. File:|";
        case 27:
            return "The file name association is incomplete or invalid. File:|";
        case 26:
            return "A sharing violation occurred. File:|";
        case 8:
            return "There was not enough memory to complete the operation. File:|";
        case 5:
            return "The operating system denied access to the specified file. File:|";
        case 4:
            return "The .exe file is invalid (non-Win32\u00AE .exe or error in .exe image). File:|";
        case 3:
            return "The specified path was not found. File:|";
        case 2:
            return "The specified file was not found. File:|";
        case 0:
            return "The Operating system is out of memory/resources. File:|";
        default:
            return "Unknown ShellExecute Error occured. File:|";
    }
}

// --- Registered programs ---------------------------------------------------------

uint8_t HyperLinkClass::RegCheck(std::string_view url, int32_t skypeFunction) {
    OpenProgram.clear();
    const std::string target = TrimmedRight(url);
    std::string scheme;
    if (skypeFunction >= 1 && skypeFunction <= 5) {
        scheme = "skype";
    } else if (StartsWithNoCase(target, "mailto:") ||
               (target.find('@') != std::string::npos && !StartsWithNoCase(target, "http://") && !URLIsNotAnEmail)) {
        OpenProgram = HyperEmail;
        return HyperEmail.empty() ? 0 : 1;
    } else if (auto colon = target.find(':'); colon != std::string::npos && colon > 1 && target.find('/') > colon) {
        scheme = Lower(target.substr(0, colon));
    }
    if (scheme.empty() || scheme == "http" || scheme == "https" || scheme == "ftp" || scheme == "file") {
        // Web addresses and files go to the desktop's opener.
        OpenProgram = HyperBrowser != kNoBrowser ? HyperBrowser : std::string(platform::kDefaultOpener);
        return 1;
    }
    if (auto program = ReadClassesRoot(scheme + "\\shell\\open\\command")) OpenProgram = *program;
    return OpenProgram.empty() ? 0 : 1;
}

}  // namespace aids
