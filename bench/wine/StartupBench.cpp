// How long the installer takes, under Wine, from its start to the model page
// holding every model, with 10, 100 and 1000 INF files beside it.
//
// Each run starts QuorvexSetup.exe in a package folder and times two parts:
//   start  -> the wizard on screen with its welcome page (CreateProcess to
//             the visible wizard window holding a visible page);
//   Next   -> the model list holding all N models (the model page builds the
//             catalogue when it is first shown).
// Then, inside this process, the catalogue's own steps on the same folder
// (listing, sorting, reading, checking) and the filling of a list box, to
// show where the time of the second part goes.
//
//   wine_startup_bench [--counts=10,100,1000] [--runs=3] [--inf-bytes=4096]
//                      [--bound-ms=20000] [--no-breakdown] [--upper-case-names]
//
// The INF files are named like "QX0000.inf", "vkt0001.inf", "Lp0002.inf";
// --upper-case-names writes them as "QX0000.INF", "VKT0001.INF" and so on.
//
// The exit status is 0 only when every run reached the full list and the
// median total of the largest count stayed within --bound-ms (deliberately
// generous: the test must not fail on a busy machine; the numbers printed
// are what matters).
#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "catalog/CatalogueCore.h"
#include "catalog/ModelCatalogue.h"
#include "support/DiskObject.h"
#include "tests/e2e/E2eSupport.h"
#include "wizard/res/resource.h"

using namespace e2e;

namespace {

struct Options {
    std::vector<int> counts = {10, 100, 1000};
    int runs = 3;
    int infBytes = 4096;     // a typical printer INF; 0 keeps the bare file
    double boundMs = 20000;  // for the median total of the largest count
    bool breakdown = true;
    bool upperNames = false;  // file names on disk already in upper case
};

double NowMs()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The driver's waits poll every 20 ms; these timings want finer steps, and
// this process has no windows whose messages would need dispatching.
bool Poll(const std::function<bool()>& condition, double timeoutMs, DWORD stepMs = 2)
{
    double start = NowMs();
    for (;;) {
        if (condition())
            return true;
        if (NowMs() - start >= timeoutMs)
            return false;
        Sleep(stepMs);
    }
}

struct FindDialogState {
    DWORD pid;
    bool wizardOnly;  // the wizard frame, not just any dialog
    HWND found;
};

// A visible dialog of the process; with wizardOnly, the wizard frame (a
// dialog holding the page area and the Back button).
BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM param)
{
    FindDialogState* state = reinterpret_cast<FindDialogState*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != state->pid || !IsWindowVisible(window))
        return TRUE;
    wchar_t name[32] = {0};
    GetClassNameW(window, name, 32);
    if (lstrcmpW(name, L"#32770") != 0)
        return TRUE;
    if (state->wizardOnly && !(GetDlgItem(window, IDC_PAGE_AREA) && GetDlgItem(window, IDC_BACK)))
        return TRUE;
    state->found = window;
    return FALSE;
}

HWND VisibleDialog(DWORD pid, bool wizardOnly)
{
    FindDialogState state = {pid, wizardOnly, nullptr};
    EnumWindows(FindVisibleDialog, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

HWND VisibleWizard(DWORD pid)
{
    return VisibleDialog(pid, true);
}

// ---- The package folder ------------------------------------------------------

std::wstring ModelFileName(int index, bool upper)
{
    // Three series in mixed case, so that the upper-casing and the sort do
    // the work they do on a real package.
    static const wchar_t* const kPrefixes[] = {L"QX", L"vkt", L"Lp"};
    wchar_t name[32];
    swprintf(name, 32, L"%ls%04d.inf", kPrefixes[index % 3], index);
    return upper ? UpperCaseAscii(name) : std::wstring(name);
}

// Pads an INF with comment lines up to `bytes` (the catalogue searches the
// whole text, so the size is part of the cost).
bool PadFile(const std::wstring& path, int bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(file, &size) != FALSE;
    if (ok && size.QuadPart < bytes) {
        static const char kLine[] = "; Quorvex printer data: paper sizes, resolutions and trays of this model.\r\n";
        std::string padding;
        while (static_cast<LONGLONG>(padding.size()) + size.QuadPart < bytes)
            padding += kLine;
        padding.resize(static_cast<size_t>(bytes - size.QuadPart));
        if (padding.size() >= 2) {
            padding[padding.size() - 2] = '\r';
            padding[padding.size() - 1] = '\n';
        }
        DWORD written = 0;
        ok = SetFilePointer(file, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
             WriteFile(file, padding.data(), static_cast<DWORD>(padding.size()), &written, nullptr) &&
             written == padding.size();
    }
    CloseHandle(file);
    return ok;
}

bool MakeBenchPackage(int count, const Options& options, std::wstring& folder)
{
    folder = MakePackageFolder(L"bench-" + std::to_wstring(count));
    if (GetFileAttributesW((folder + L"\\QuorvexSetup.exe").c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "cannot copy QuorvexSetup.exe into %s\n", Utf8(folder).c_str());
        return false;
    }
    for (int i = 0; i < count; ++i) {
        wchar_t usb[8], lpt[8];
        swprintf(usb, 8, L"%04X", (i * 7919 + 17) & 0xFFFF);
        swprintf(lpt, 8, L"%04X", (i * 104729 + 3) & 0xFFFF);
        std::wstring name = ModelFileName(i, options.upperNames);
        // Every third model is USB-only or parallel-only, as in a real range.
        std::wstring usbSuffix = i % 3 == 2 ? L"" : usb;
        std::wstring lptSuffix = i % 3 == 1 ? L"" : lpt;
        if (!WriteModelInf(folder, name, L"Quorvex", usbSuffix, lptSuffix) ||
            (options.infBytes > 0 && !PadFile(folder + L"\\" + name, options.infBytes))) {
            std::fprintf(stderr, "cannot write %s\n", Utf8(name).c_str());
            return false;
        }
    }
    return true;
}

// ---- One timed start ------------------------------------------------------

struct RunTimes {
    bool ok = false;
    double toWizard = 0;  // start -> wizard with its welcome page on screen
    double toList = 0;    // Next -> model list holding every model
    double Total() const { return toWizard + toList; }
};

const double kStageTimeoutMs = 60000;

RunTimes TimeOneStart(const std::wstring& folder, int count)
{
    RunTimes times;
    Program app;
    double start = NowMs();
    if (!app.Start(folder + L"\\QuorvexSetup.exe")) {
        std::fprintf(stderr, "cannot start the installer (error %lu)\n", GetLastError());
        return times;
    }
    HWND wizard = nullptr, welcome = nullptr;
    bool shown = Poll(
        [&] {
            wizard = VisibleWizard(app.ProcessId());
            welcome = wizard ? ActivePage(wizard) : nullptr;
            return welcome != nullptr || !app.IsRunning();
        },
        kStageTimeoutMs);
    double wizardAt = NowMs();
    if (!shown || !welcome) {
        std::fprintf(stderr, "the wizard did not appear\n");
        return times;
    }

    double nextAt = NowMs();
    Press(wizard, IDC_NEXT);
    int listed = -1;
    bool ready = Poll(
        [&] {
            HWND page = ActivePage(wizard);
            listed = page && page != welcome ? ListCount(page, IDC_MODEL_LIST) : -1;
            return listed == count || !app.IsRunning();
        },
        kStageTimeoutMs);
    double readyAt = NowMs();
    if (!ready || listed != count) {
        std::fprintf(stderr, "the model list did not reach %d lines (last seen: %d)\n", count, listed);
        return times;
    }
    times.ok = true;
    times.toWizard = wizardAt - start;
    times.toList = readyAt - nextAt;

    Press(wizard, IDCANCEL);
    if (!app.WaitForExit(10000))
        app.Kill();
    return times;
}

// ---- The installer's start next to the smallest dialog program --------------

// The build's minimal dialog program, seen through the drive that maps the
// Unix root.
std::wstring MinimalDialogPath()
{
    std::wstring path = L"Z:";
    for (const char* p = QV_MINIMAL_DIALOG; *p != '\0'; ++p)
        path += *p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return path;
}

// From CreateProcess to the minimal program's dialog on screen; -1 when it
// did not appear.
double TimeMinimalStart()
{
    Program app;
    const double start = NowMs();
    if (!app.Start(MinimalDialogPath()))
        return -1;
    HWND dialog = nullptr;
    const bool shown = Poll(
        [&] {
            dialog = VisibleDialog(app.ProcessId(), false);
            return dialog != nullptr || !app.IsRunning();
        },
        kStageTimeoutMs);
    const double shownAt = NowMs();
    if (dialog)
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    if (!app.WaitForExit(10000))
        app.Kill();
    return shown && dialog ? shownAt - start : -1;
}

// ---- Where the time of the model page goes ----------------------------------

struct Breakdown {
    double listing = 0, sorting = 0, reading = 0, checking = 0, whole = 0, listBox = 0;
    double openUpper = 0, openListed = 0;  // opening and closing every file only
    double byListedName = 0;               // the catalogue opening files as listed
    bool sameModels = true;                // ... giving the very same models
    size_t accepted = 0;
};

// The catalogue's steps one by one, as BuildModelCatalogue and the model page
// run them, in this process under the same Wine.
Breakdown MeasureSteps(const std::wstring& folder)
{
    Breakdown b;
    double t = NowMs();
    std::vector<std::wstring> names;
    CDiskObject disk;
    disk.EnumerateFiles(L"*.inf", folder, names, 0);
    b.listing = NowMs() - t;
    std::vector<std::wstring> listed = names;

    t = NowMs();
    SortInfNames(names);
    b.sorting = NowMs() - t;

    std::vector<std::wstring> texts(names.size());
    t = NowMs();
    for (size_t i = 0; i < names.size(); ++i)
        ReadInfText(folder + L"\\" + names[i], texts[i]);
    b.reading = NowMs() - t;

    // Opening alone, by the upper-cased name the catalogue uses and by the
    // name as listed: Wine finds a file whose name differs in case on disk
    // only by searching its folder.
    auto openAll = [&folder](const std::vector<std::wstring>& list) {
        double start = NowMs();
        for (const std::wstring& name : list) {
            HANDLE h = CreateFileW((folder + L"\\" + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (h != INVALID_HANDLE_VALUE)
                CloseHandle(h);
        }
        return NowMs() - start;
    };
    b.openUpper = openAll(names);
    b.openListed = openAll(listed);

    // The catalogue as it would be if it opened each file by its listed
    // name; the listing is ascending, so where names differ only in case
    // (possible only on a case-sensitive disk) the first one kept is the
    // all-upper-case one, the very file the upper-cased name opens.
    t = NowMs();
    std::vector<std::wstring> again;
    disk.EnumerateFiles(L"*.inf", folder, again, 0);
    std::map<std::wstring, std::wstring> onDisk;
    for (const std::wstring& name : again)
        onDisk.emplace(UpperCaseAscii(name), name);
    ModelCatalogue byListed = CollectModels(again, [&](const std::wstring& upper, std::wstring& text) {
        auto found = onDisk.find(upper);
        return ReadInfText(folder + L"\\" + (found != onDisk.end() ? found->second : upper), text);
    });
    b.byListedName = NowMs() - t;

    t = NowMs();
    ModelCatalogue models;
    for (size_t i = 0; i < names.size(); ++i) {
        InfAssessment a = AssessInf(names[i], texts[i]);
        if (a.accepted)
            models.push_back(a.model);
    }
    b.checking = NowMs() - t;
    b.accepted = models.size();

    t = NowMs();
    ModelCatalogue whole = BuildModelCatalogue(folder);
    b.whole = NowMs() - t;
    if (whole.size() != models.size())
        b.accepted = static_cast<size_t>(-1);
    b.sameModels = byListed.size() == whole.size();
    for (size_t i = 0; b.sameModels && i < whole.size(); ++i) {
        const PrinterModel &x = whole[i], &y = byListed[i];
        b.sameModels = x.manufacturer == y.manufacturer && x.infBaseName == y.infBaseName &&
                       x.displayName == y.displayName && x.lptIdSuffix == y.lptIdSuffix &&
                       x.usbIdSuffix == y.usbIdSuffix && x.driverName == y.driverName &&
                       x.deviceDescription == y.deviceDescription && x.namePrefix == y.namePrefix &&
                       x.nameNumber == y.nameNumber;
    }

    // The model list's own cost: a list box of the page's style, filled line
    // by line as the page does (hidden, as the page is while it initialises).
    HWND list = CreateWindowExW(0, L"LISTBOX", L"", WS_POPUP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL |
                                WS_BORDER, 0, 0, 400, 260, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (list) {
        t = NowMs();
        for (const PrinterModel& m : whole)
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(m.displayName.c_str()));
        b.listBox = NowMs() - t;
        DestroyWindow(list);
    }
    return b;
}

// ---- Arguments and report ---------------------------------------------------

bool ParseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strncmp(a, "--counts=", 9) == 0) {
            o.counts.clear();
            for (const char* p = a + 9; *p;) {
                char* end = nullptr;
                long n = std::strtol(p, &end, 10);
                if (end == p || n <= 0 || n > 9999)
                    return false;
                o.counts.push_back(static_cast<int>(n));
                p = *end == ',' ? end + 1 : end;
                if (*end && *end != ',')
                    return false;
            }
        } else if (std::strncmp(a, "--runs=", 7) == 0) {
            o.runs = std::atoi(a + 7);
        } else if (std::strncmp(a, "--inf-bytes=", 12) == 0) {
            o.infBytes = std::atoi(a + 12);
        } else if (std::strncmp(a, "--bound-ms=", 11) == 0) {
            o.boundMs = std::atof(a + 11);
        } else if (std::strcmp(a, "--upper-case-names") == 0) {
            o.upperNames = true;
        } else if (std::strcmp(a, "--no-breakdown") == 0) {
            o.breakdown = false;
        } else {
            return false;
        }
    }
    return !o.counts.empty() && o.runs > 0 && o.infBytes >= 0 && o.boundMs > 0;
}

// Prints to the console and keeps a copy in the test's output folder.
class Report {
public:
    Report() : m_file(_wfopen(OutputPath(L"startup-bench.txt").c_str(), L"w")) {}
    ~Report()
    {
        if (m_file)
            std::fclose(m_file);
    }
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;
    void Line(const char* format, ...)
    {
        char buffer[512];
        va_list args;
        va_start(args, format);
        std::vsnprintf(buffer, sizeof(buffer), format, args);
        va_end(args);
        std::printf("%s\n", buffer);
        std::fflush(stdout);
        if (m_file)
            std::fprintf(m_file, "%s\n", buffer);
    }

private:
    FILE* m_file;
};

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: wine_startup_bench [--counts=10,100,1000] [--runs=3] [--inf-bytes=4096]\n"
                     "                          [--bound-ms=20000] [--no-breakdown]\n"
                     "                          [--upper-case-names]\n");
        return 2;
    }
    Report report;
    report.Line("Installer start to model page ready, under Wine (median of %d runs after one warm-up start;"
                " INF files of %d bytes, names in %s case)",
                options.runs, options.infBytes, options.upperNames ? "upper" : "mixed");
    report.Line("%6s  %12s  %12s  %12s   %s", "files", "start->wizard", "Next->list", "total",
                "each start's total (ms)");

    bool allOk = true;
    int largest = *std::max_element(options.counts.begin(), options.counts.end());
    double largestTotal = -1;
    std::vector<std::pair<int, Breakdown>> breakdowns;
    for (int count : options.counts) {
        std::wstring folder;
        if (!MakeBenchPackage(count, options, folder))
            return 1;
        // A file the catalogue refused would leave the timed starts waiting
        // for a line that never comes.
        size_t accepted = BuildModelCatalogue(folder).size();
        if (accepted != static_cast<size_t>(count)) {
            report.Line("FAILED: the catalogue accepts %d of the %d INF files", static_cast<int>(accepted), count);
            return 1;
        }
        // The first start after new files pays for Wine's caches of the
        // program and the folder; every later start of a user does not.
        RunTimes warmUp = TimeOneStart(folder, count);
        std::vector<double> toWizard, toList, total;
        char first[48];
        std::snprintf(first, sizeof(first), "(warm-up %.0f)", warmUp.ok ? warmUp.Total() : -1.0);
        std::string each = first;
        for (int run = 0; run < options.runs; ++run) {
            RunTimes t = TimeOneStart(folder, count);
            if (!t.ok) {
                allOk = false;
                each += " failed";
                continue;
            }
            toWizard.push_back(t.toWizard);
            toList.push_back(t.toList);
            total.push_back(t.Total());
            char one[32];
            std::snprintf(one, sizeof(one), " %.0f", t.Total());
            each += one;
        }
        report.Line("%6d  %10.0f ms  %9.0f ms  %9.0f ms  %s", count, Median(toWizard), Median(toList), Median(total),
                    each.c_str());
        if (count == largest)
            largestTotal = Median(total);
        if (options.breakdown) {
            std::vector<Breakdown> samples;
            for (int run = 0; run < options.runs; ++run)
                samples.push_back(MeasureSteps(folder));
            Breakdown m;
            auto med = [&](double Breakdown::*field) {
                std::vector<double> v;
                for (const Breakdown& s : samples)
                    v.push_back(s.*field);
                return Median(v);
            };
            m.listing = med(&Breakdown::listing);
            m.sorting = med(&Breakdown::sorting);
            m.reading = med(&Breakdown::reading);
            m.checking = med(&Breakdown::checking);
            m.whole = med(&Breakdown::whole);
            m.listBox = med(&Breakdown::listBox);
            m.openUpper = med(&Breakdown::openUpper);
            m.openListed = med(&Breakdown::openListed);
            m.byListedName = med(&Breakdown::byListedName);
            for (const Breakdown& s : samples)
                m.sameModels = m.sameModels && s.sameModels;
            m.accepted = samples.front().accepted;
            if (m.accepted != static_cast<size_t>(count)) {
                report.Line("catalogue of %d files accepted %d models", count, static_cast<int>(m.accepted));
                allOk = false;
            }
            breakdowns.push_back({count, m});
        }
    }

    if (!breakdowns.empty()) {
        report.Line("");
        report.Line("The model page's work, step by step in this process (median ms):");
        report.Line("%6s  %8s  %8s  %8s  %8s  %10s  %9s  %11s  %12s  %14s", "files", "listing", "sorting",
                    "reading", "checking", "catalogue", "list box", "open(upper)", "open(listed)",
                    "cat.(listed)");
        for (const auto& entry : breakdowns) {
            const Breakdown& b = entry.second;
            report.Line("%6d  %8.1f  %8.1f  %8.1f  %8.1f  %10.1f  %9.1f  %11.1f  %12.1f  %9.1f %4s", entry.first,
                        b.listing, b.sorting, b.reading, b.checking, b.whole, b.listBox, b.openUpper,
                        b.openListed, b.byListedName, b.sameModels ? "same" : "DIFF");
        }
        report.Line("reading: opening, reading and decoding every file by its upper-cased name; catalogue: all of"
                    " BuildModelCatalogue;");
        report.Line("open: opening and closing only, by the upper-cased and by the listed name; cat.(listed): the"
                    " catalogue opening files by their listed names (same = the same models in the same order)");
    }

    // The installer's start against the smallest dialog program, alternating
    // so that both see the same machine; the smallest package folder.
    {
        std::wstring folder;
        const int count = *std::min_element(options.counts.begin(), options.counts.end());
        if (MakeBenchPackage(count, options, folder)) {
            TimeOneStart(folder, count);
            TimeMinimalStart();  // warm-up starts, not counted
            std::vector<double> installer, minimal;
            for (int run = 0; run < options.runs; ++run) {
                const RunTimes t = TimeOneStart(folder, count);
                if (t.ok)
                    installer.push_back(t.toWizard);
                const double m = TimeMinimalStart();
                if (m >= 0)
                    minimal.push_back(m);
            }
            report.Line("");
            HDC screen = GetDC(nullptr);
            const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
            ReleaseDC(nullptr, screen);
            report.Line("Start to the first window painted, under Wine at %d dpi (median of %d starts):", dpi,
                        options.runs);
            report.Line("  installer, welcome page shown: %.0f ms; minimal dialog program: %.0f ms; ratio %.2f"
                        " (target 1.2 or less)",
                        Median(installer), Median(minimal),
                        Median(minimal) > 0 ? Median(installer) / Median(minimal) : -1.0);
        }
    }

    report.Line("");
    if (!allOk) {
        report.Line("FAILED: a run did not reach the full model list");
        return 1;
    }
    if (largestTotal > options.boundMs) {
        report.Line("FAILED: %d files took %.0f ms, over the bound of %.0f ms", largest, largestTotal,
                    options.boundMs);
        return 1;
    }
    report.Line("ok: %d files ready in %.0f ms (bound %.0f ms; target 2000 ms for 1000 files)", largest, largestTotal,
                options.boundMs);
    return 0;
}
