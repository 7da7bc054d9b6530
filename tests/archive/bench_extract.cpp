// Times the extraction of one payload-sized archive three ways, in one run:
//   - Extract (the ZIP unit, progress events to a fake frame),
//   - minizip's own miniunz.exe as a child process (-o ... -d DIR), and the cost of
//     merely starting that process, so its net time can be told apart,
//   - a bare in-memory inflate of every entry (the floor: no files, no headers).
//
//   bench_extract [--payload ARCHIVE.zip] [--runs N] [--miniunz PATH]
//
// Without --payload it builds a payload-like archive (20 entries, about 8.7 MB
// unpacked). Prints best and median times and the ratios; exits non-zero only when a
// tool fails or the two extractions disagree.
#include <windows.h>

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "archive/zip_unit.h"
#include "tests/archive/fake_frame.h"
#include "tests/archive/sample_archives.h"
#include "tests/archive/test_files.h"
#include "tests/archive/zip_builder.h"

using namespace ziptest;

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

uint32_t Le16(const std::string& s, size_t at) {
    return static_cast<unsigned char>(s[at]) | (static_cast<unsigned char>(s[at + 1]) << 8);
}
uint32_t Le32(const std::string& s, size_t at) { return Le16(s, at) | (Le16(s, at + 2) << 16); }

// Inflates every entry of the archive held in memory; returns the bytes produced, or
// -1 when the archive cannot be walked.
int64_t InflateAll(const std::string& zip) {
    size_t end = std::string::npos;
    for (size_t i = zip.size() >= 22 ? zip.size() - 22 : 0;; --i) {
        if (Le32(zip, i) == 0x06054B50) {
            end = i;
            break;
        }
        if (i == 0) return -1;
    }
    const uint32_t count = Le16(zip, end + 10);
    size_t at = Le32(zip, end + 16);
    std::vector<unsigned char> out;
    int64_t total = 0;
    for (uint32_t n = 0; n < count; ++n) {
        if (at + 46 > zip.size() || Le32(zip, at) != 0x02014B50) return -1;
        const uint32_t method = Le16(zip, at + 10);
        const uint32_t packed = Le32(zip, at + 20);
        const uint32_t size = Le32(zip, at + 24);
        const size_t local = Le32(zip, at + 42);
        const size_t data = local + 30 + Le16(zip, local + 26) + Le16(zip, local + 28);
        at += 46 + Le16(zip, at + 28) + Le16(zip, at + 30) + Le16(zip, at + 32);
        out.resize(std::max<size_t>(size, 1));
        if (method == 0) {
            std::memcpy(out.data(), zip.data() + data, size);
        } else {
            z_stream z = {};
            inflateInit2(&z, -MAX_WBITS);
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zip.data() + data));
            z.avail_in = packed;
            z.next_out = out.data();
            z.avail_out = size;
            const int rc = inflate(&z, Z_FINISH);
            inflateEnd(&z);
            if (rc != Z_STREAM_END || z.total_out != size) return -1;
        }
        total += size;
    }
    return total;
}

// Runs a command line with its output thrown away; returns the exit code or -1.
int RunProcess(const std::string& commandLine) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nul;
    si.hStdOutput = nul;
    si.hStdError = nul;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    int code = -1;
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, INFINITE);
        DWORD exitCode = 0;
        GetExitCodeProcess(pi.hProcess, &exitCode);
        code = static_cast<int>(exitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(nul);
    return code;
}

struct Series {
    const char* name;
    std::vector<double> times;
    double Best() const { return *std::min_element(times.begin(), times.end()); }
    double Median() const {
        std::vector<double> t = times;
        std::sort(t.begin(), t.end());
        return t[t.size() / 2];
    }
};

bool SameTrees(const std::string& a, const std::string& b) {
    const std::set<std::string> names = ListTree(a);
    if (names != ListTree(b)) return false;
    for (const std::string& n : names)
        if (n.back() != '\\' && ReadOrEmpty(a + "\\" + n) != ReadOrEmpty(b + "\\" + n)) return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string payloadPath;
    std::string miniunz = QUILL_MINIUNZ_PATH;
    int runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--payload")) payloadPath = argv[i + 1];
        if (!std::strcmp(argv[i], "--runs")) runs = std::max(1, std::atoi(argv[i + 1]));
        if (!std::strcmp(argv[i], "--miniunz")) miniunz = argv[i + 1];
    }
    // The build passes a Linux path; under Wine it lives on drive Z.
    if (!miniunz.empty() && miniunz[0] == '/') {
        miniunz = "Z:" + miniunz;
        std::replace(miniunz.begin(), miniunz.end(), '/', '\\');
    }

    std::string zip;
    if (!payloadPath.empty()) {
        if (!ReadBytes(payloadPath, &zip)) {
            std::fprintf(stderr, "bench: cannot read %s\n", payloadPath.c_str());
            return 2;
        }
    } else {
        zip = Build(PayloadLikeEntries(1.0));
    }

    UnitHost host;
    ScratchFolder scratch;
    const std::string archive = scratch / "bench.zip";
    WriteBytes(archive, zip);

    const int64_t unpacked = InflateAll(zip);
    std::printf("bench: archive %s, %.2f MB packed, %.2f MB unpacked, %d runs\n",
                payloadPath.empty() ? "(generated, payload-like)" : payloadPath.c_str(), zip.size() / 1048576.0,
                unpacked / 1048576.0, runs);
    if (unpacked < 0) {
        std::fprintf(stderr, "bench: the archive cannot be walked\n");
        return 2;
    }

    Series extract{"Extract", {}}, tool{"miniunz.exe", {}}, start{"process start", {}}, inflateOnly{"inflate in memory", {}};
    const std::string startOnly = "\"" + miniunz + "\"";  // no arguments: prints its usage and ends
    bool ok = true;
    for (int run = 0; run < runs; ++run) {
        const std::string mine = scratch / ("extract" + std::to_string(run));
        const std::string theirs = scratch / ("miniunz" + std::to_string(run));
        CreateDirectoryA(theirs.c_str(), nullptr);

        double t0 = Now();
        const int32_t result = quill::Extract(kWindowId, kUnitId, archive.c_str(), mine.c_str());
        extract.times.push_back(Now() - t0);

        t0 = Now();
        const int code = RunProcess("\"" + miniunz + "\" -o \"" + archive + "\" -d \"" + theirs + "\"");
        tool.times.push_back(Now() - t0);

        t0 = Now();
        RunProcess(startOnly);
        start.times.push_back(Now() - t0);

        t0 = Now();
        InflateAll(zip);
        inflateOnly.times.push_back(Now() - t0);

        if (result != 1 || code != 0) {
            std::fprintf(stderr, "bench: run %d: Extract answered %d, miniunz exited %d\n", run, result, code);
            ok = false;
        }
        if (run == 0 && !SameTrees(mine, theirs)) {
            std::fprintf(stderr, "bench: Extract and miniunz wrote different trees\n");
            ok = false;
        }
        RemoveTree(mine);
        RemoveTree(theirs);
    }

    for (const Series* s : {&extract, &tool, &start, &inflateOnly})
        std::printf("bench: %-18s best %8.1f ms   median %8.1f ms\n", s->name, s->Best() * 1000, s->Median() * 1000);
    const double net = tool.Median() - start.Median();
    std::printf("bench: miniunz net of process start (median): %.1f ms\n", net * 1000);
    std::printf("bench: Extract / miniunz             %.2f (best)  %.2f (median)\n", extract.Best() / tool.Best(),
                extract.Median() / tool.Median());
    std::printf("bench: Extract / miniunz net of start %.2f (median)\n", extract.Median() / net);
    std::printf("bench: Extract / inflate in memory    %.2f (median)\n", extract.Median() / inflateOnly.Median());
    return ok ? 0 : 1;
}
