// Times tarnwick.exe against the floor program in interleaved pairs
// (A B A B …), from process creation to exit, at two command-line sizes, and
// prints a Markdown table. Checks that both placed the same text.
//   bench_driver TARNWICK_EXE FLOOR_EXE PAIRS
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "clipboard_access.h"
#include "command_line_quoting.h"
#include "tarnwick_process.h"

namespace {

using namespace tarnwick::testing;

struct Run {
    double milliseconds;
    SIZE_T peakBytes;
};

Run run_once(const std::wstring& exe, const std::wstring& commandLine) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const StartedProcess started = start_process(exe, commandLine);
    wait_for_exit(started, INFINITE);
    QueryPerformanceCounter(&end);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(started.process.get(), &memory, sizeof memory);
    return {1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart),
            memory.PeakWorkingSetSize};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double quantile(std::vector<double> values, double q) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(q * static_cast<double>(values.size() - 1) + 0.5)];
}

struct Size {
    const char* name;
    std::wstring commandLine;
};

std::wstring long_command_line() {
    const std::wstring line = command_line_for(L"tarnwick.exe", arguments_filling(L"tarnwick.exe", 32'000));
    return line + std::wstring(32'000 - line.size(), L' ');  // exactly 32,000 units; trailing blanks add nothing
}

struct Measured {
    std::vector<double> ratios, tarnwick, floor;
    SIZE_T tarnwickPeak = 0, floorPeak = 0;
};

Measured measure(const std::wstring& tarnwick, const std::wstring& floor, const std::wstring& line, int pairs) {
    Measured m;
    run_once(tarnwick, line);  // warm the file cache for both
    run_once(floor, line);
    for (int i = 0; i < pairs; ++i) {
        const Run a = run_once(tarnwick, line);
        const auto placedByTarnwick = read_clipboard_block();
        const Run b = run_once(floor, line);
        if (read_clipboard_block() != placedByTarnwick) {
            std::fprintf(stderr, "tarnwick.exe and the floor placed different texts\n");
            std::exit(3);
        }
        m.tarnwick.push_back(a.milliseconds);
        m.floor.push_back(b.milliseconds);
        m.ratios.push_back(a.milliseconds / b.milliseconds);
        m.tarnwickPeak = std::max(m.tarnwickPeak, a.peakBytes);
        m.floorPeak = std::max(m.floorPeak, b.peakBytes);
    }
    return m;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_driver TARNWICK_EXE FLOOR_EXE PAIRS\n");
        return 2;
    }
    const std::wstring tarnwick = argv[1], floor = argv[2];
    const int pairs = _wtoi(argv[3]);
    const Size sizes[] = {{"two short arguments", L"tarnwick.exe alpha \"beta gamma\""},
                          {"32,000 code units", long_command_line()}};

    std::printf("| command line | tarnwick median ms | floor median ms | median ratio | ratio p10-p90 | "
                "peak working set tarnwick / floor |\n|---|---|---|---|---|---|\n");
    std::vector<double> tarnwickMedians;
    for (const Size& size : sizes) {
        const Measured m = measure(tarnwick, floor, size.commandLine, pairs);
        tarnwickMedians.push_back(median(m.tarnwick));
        std::printf("| %s | %.1f | %.1f | %.3f | %.3f-%.3f | %s |\n", size.name, median(m.tarnwick),
                    median(m.floor), median(m.ratios), quantile(m.ratios, 0.1), quantile(m.ratios, 0.9),
                    m.tarnwickPeak && m.floorPeak
                        ? (std::to_string(m.tarnwickPeak / 1024) + " KiB / " + std::to_string(m.floorPeak / 1024) +
                           " KiB")
                              .c_str()
                        : "not reported");
    }
    std::printf("\ntarnwick.exe, 32,000 units against two arguments: %.3f\n",
                tarnwickMedians[1] / tarnwickMedians[0]);
    return 0;
}
