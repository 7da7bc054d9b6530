// Robustness campaign for Extract: damaged archives by the hundred (or thousand), each
// extracted into a sandbox. Every call must answer 1, 0 or -1 without crashing or
// hanging, fire only sensible progress values, and write nothing outside the target
// folder.
//
//   archive_robustness [MUTANTS] [--seed N] [--payload ARCHIVE.zip]
//
// The suite runs it with a fixed seed and 600 mutants; run it by hand with 5000 or more.
// --payload adds a real product archive to the base archives that get mutated.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "archive/zip_unit.h"
#include "tests/archive/fake_frame.h"
#include "tests/archive/sample_archives.h"
#include "tests/archive/test_files.h"
#include "tests/archive/zip_builder.h"

using namespace ziptest;

namespace {

class Random {
public:
    explicit Random(uint64_t seed) : s_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    uint64_t Next() {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 7;
        s_ ^= s_ << 17;
        return s_;
    }
    // Uniform-enough in [0, n).
    size_t Below(size_t n) { return n ? static_cast<size_t>(Next() % n) : 0; }
    bool Chance(int percent) { return Below(100) < static_cast<size_t>(percent); }

private:
    uint64_t s_;
};

struct Base {
    std::string name;
    std::string bytes;
    Layout layout;
};

struct Field {
    size_t offset;
    int width;  // 2 or 4
};

std::vector<Field> HeaderFields(const Layout& l) {
    std::vector<Field> f;
    for (size_t at : l.local) {
        const Field local[] = {{4, 2}, {6, 2}, {8, 2}, {10, 2}, {12, 2}, {14, 4}, {18, 4}, {22, 4}, {26, 2}, {28, 2}};
        for (Field x : local) f.push_back({at + x.offset, x.width});
    }
    for (size_t at : l.central) {
        const Field central[] = {{4, 2},  {6, 2},  {8, 2},  {10, 2}, {12, 2}, {14, 2}, {16, 4}, {20, 4},
                                 {24, 4}, {28, 2}, {30, 2}, {32, 2}, {34, 2}, {36, 2}, {38, 4}, {42, 4}};
        for (Field x : central) f.push_back({at + x.offset, x.width});
    }
    const Field end[] = {{4, 2}, {6, 2}, {8, 2}, {10, 2}, {12, 4}, {16, 4}, {20, 2}};
    for (Field x : end) f.push_back({l.endRecord + x.offset, x.width});
    return f;
}

uint32_t Get(const std::string& s, Field f) {
    uint32_t v = 0;
    for (int i = f.width - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[f.offset + i]);
    return v;
}

void SetField(std::string& s, Field f, uint32_t v) {
    if (f.offset + f.width > s.size()) return;
    if (f.width == 2)
        Set16(s, f.offset, static_cast<uint16_t>(v));
    else
        Set32(s, f.offset, v);
}

uint32_t Extreme(Random& r, uint32_t current, int width, size_t fileSize) {
    const uint32_t max = width == 2 ? 0xFFFFu : 0xFFFFFFFFu;
    switch (r.Below(9)) {
    case 0: return 0;
    case 1: return 1;
    case 2: return max;
    case 3: return max >> 1;
    case 4: return (max >> 1) + 1;
    case 5: return (current + 1) & max;
    case 6: return (current - 1) & max;
    case 7: return static_cast<uint32_t>(fileSize + r.Below(64) - 32) & max;
    default: return static_cast<uint32_t>(r.Next()) & max;
    }
}

enum Kind {
    kBitFlips, kTruncate, kFieldExtreme, kEntryCounts, kNameLength, kExtraLength, kByteRun, kHostileName, kUtf8Flag,
    kKinds
};
const char* const kKindNames[] = {"bit flips",     "truncation", "field extreme", "directory counts", "name lengths",
                                  "extra lengths", "byte runs",  "hostile names", "UTF-8 flag"};

void Mutate(Random& r, Kind kind, std::string& b, const Layout& l) {
    if (b.empty()) return;
    switch (kind) {
    case kBitFlips: {
        // Half the time aim at the headers, where a flip changes meaning, not just data.
        const size_t flips = 1 + r.Below(8);
        for (size_t i = 0; i < flips; ++i) {
            size_t at = r.Below(b.size());
            if (r.Chance(50)) {
                const size_t which = r.Below(3);
                if (which == 0 && !l.local.empty()) at = l.local[r.Below(l.local.size())] + r.Below(30);
                if (which == 1 && !l.central.empty()) at = l.central[r.Below(l.central.size())] + r.Below(46);
                if (which == 2) at = l.endRecord + r.Below(22);
                at = at < b.size() ? at : b.size() - 1;
            }
            b[at] = static_cast<char>(b[at] ^ (1u << r.Below(8)));
        }
        break;
    }
    case kTruncate: {
        // Mostly inside the directory and end record, where a cut is subtle.
        size_t cut = r.Below(b.size());
        if (r.Chance(60) && !l.central.empty() && l.central[0] < b.size())
            cut = l.central[0] + r.Below(b.size() - l.central[0]);
        b.resize(cut);
        break;
    }
    case kFieldExtreme: {
        const std::vector<Field> fields = HeaderFields(l);
        const size_t n = 1 + r.Below(3);
        for (size_t i = 0; i < n; ++i) {
            const Field f = fields[r.Below(fields.size())];
            SetField(b, f, Extreme(r, Get(b, f), f.width, b.size()));
        }
        break;
    }
    case kEntryCounts: {
        const Field onDisk{l.endRecord + field::kEndEntriesOnDisk, 2};
        const Field total{l.endRecord + field::kEndEntries, 2};
        const uint32_t v = Extreme(r, Get(b, total), 2, b.size());
        SetField(b, total, v);
        // Usually both agree, as a writer would have left them; sometimes not.
        SetField(b, onDisk, r.Chance(80) ? v : Extreme(r, v, 2, b.size()));
        if (r.Chance(30)) SetField(b, {l.endRecord + field::kEndCentralSize, 4}, Extreme(r, 0, 4, b.size()));
        break;
    }
    case kNameLength:
    case kExtraLength: {
        if (l.local.empty()) break;
        const size_t i = r.Below(l.local.size());
        const bool name = kind == kNameLength;
        const Field local{l.local[i] + (name ? field::kLocalNameLength : field::kLocalExtraLength), 2};
        const Field central{l.central[i] + (name ? field::kCentralNameLength : field::kCentralExtraLength), 2};
        const int which = static_cast<int>(r.Below(3));  // local, central or both
        const uint32_t v = Extreme(r, Get(b, central), 2, b.size());
        if (which != 1) SetField(b, local, v);
        if (which != 0) SetField(b, central, v);
        break;
    }
    case kByteRun: {
        const size_t at = r.Below(b.size());
        const size_t len = 1 + r.Below(64);
        const bool zero = r.Chance(40);
        for (size_t i = at; i < b.size() && i < at + len; ++i) b[i] = zero ? 0 : static_cast<char>(r.Next());
        break;
    }
    case kHostileName: {
        // Rewrites the start of one entry's name, in the directory and the local header
        // alike, into something that tries to leave the target folder.
        static const char* const kPrefixes[] = {"../",   "..\\", "/",     "\\",   "C:",      "a:",   "x/../../",
                                                "./../", "CON/", "nul.", "\xAD/", "\xC0\xAF", "x. /", "a|"};
        if (l.local.empty()) break;
        const size_t i = r.Below(l.local.size());
        const char* prefix = kPrefixes[r.Below(sizeof kPrefixes / sizeof *kPrefixes)];
        const uint32_t nameLength = Get(b, {l.central[i] + field::kCentralNameLength, 2});
        for (size_t k = 0; k < strlen(prefix) && k < nameLength; ++k) {
            b[l.central[i] + 46 + k] = prefix[k];
            b[l.local[i] + 30 + k] = prefix[k];
        }
        break;
    }
    case kUtf8Flag: {
        // Names are then read as UTF-8, which GBK names and damaged bytes are not.
        if (l.local.empty()) break;
        const size_t i = r.Below(l.local.size());
        for (const Field f : {Field{l.central[i] + field::kCentralFlags, 2}, Field{l.local[i] + field::kLocalFlags, 2}})
            SetField(b, f, Get(b, f) | 0x0800u);
        break;
    }
    default: break;
    }
}

// What must never change: the sandbox around the target, the temporary folder and the
// root of drive C.
struct Surroundings {
    std::set<std::string> temp, root, sandbox, sentinel;
    std::string sentinelContent;
};

struct Outcome {
    int32_t result = 0;
    std::vector<int32_t> events;
    quill::ExtractFailure cause = quill::ExtractFailure::kNone;
};

const char* const kCauseNames[] = {"none", "disk full", "not writable", "damaged", "bad name", "no archive"};

struct Job {
    std::string archive, target;
    Outcome outcome;
};

DWORD WINAPI RunJob(void* p) {
    auto* job = static_cast<Job*>(p);
    FakeFrame::events.clear();
    job->outcome.result = quill::Extract(kWindowId, kUnitId, job->archive.c_str(), job->target.c_str());
    job->outcome.events = FakeFrame::events;
    job->outcome.cause = quill::LastExtractFailure().cause;
    return 0;
}

const char* g_mutant = "";  // the mutant under way, for crash reports

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* e) {
    std::fprintf(stderr, "robustness: CRASH (exception 0x%08lx) on mutant %s\n",
                 static_cast<unsigned long>(e->ExceptionRecord->ExceptionCode), g_mutant);
    std::fflush(stderr);
    ExitProcess(3);
}

}  // namespace

int main(int argc, char** argv) {
    size_t mutants = 600;
    uint64_t seed = 20240611;
    std::string payloadPath;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--seed") && i + 1 < argc)
            seed = std::strtoull(argv[++i], nullptr, 10);
        else if (!std::strcmp(argv[i], "--payload") && i + 1 < argc)
            payloadPath = argv[++i];
        else
            mutants = std::strtoul(argv[i], nullptr, 10);
    }
    SetUnhandledExceptionFilter(&ReportCrash);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);

    std::vector<Base> bases;
    {
        Base twenty{"twenty entries", {}, {}};
        twenty.bytes = Build(PayloadLikeEntries(0.004), &twenty.layout);
        bases.push_back(twenty);
        Base one{"one file", {}, {}};
        one.bytes = Build({File("a.txt", MixedContent(3000, 7))}, &one.layout);
        bases.push_back(one);
        Entry stamped = File("数据/b.bin", MixedContent(500, 9), 0);
        stamped.localExtra = ExtendedTimestamp(7, {1, 2, 3});
        Base three{"folder and files", {}, {}};
        three.bytes = Build({Folder("数据/"), stamped, File("c.txt", "")}, &three.layout);
        bases.push_back(three);
    }
    if (!payloadPath.empty()) {
        Base payload{"payload", {}, {}};
        if (!ReadBytes(payloadPath, &payload.bytes)) {
            std::fprintf(stderr, "robustness: cannot read %s\n", payloadPath.c_str());
            return 2;
        }
        // Only its bytes are mutated: field-aware mutations fall back to raw ones.
        bases.push_back(payload);
    }

    UnitHost host;
    if (FakeFrame::unit == nullptr) {
        std::fprintf(stderr, "robustness: the ZIP unit could not be created\n");
        return 2;
    }
    FakeFrame::handler = nullptr;

    ScratchFolder scratch;
    const std::string root = scratch / "root";
    const std::string archive = root + "\\tool.zip";
    const std::string targetParent = root + "\\target";
    const std::string target = targetParent + "\\inst";
    const std::string sentinel = root + "\\sentinel";
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA(sentinel.c_str(), nullptr);
    CreateDirectoryA((sentinel + "\\deep").c_str(), nullptr);
    WriteBytes(sentinel + "\\deep\\keep.txt", "sentinel");

    char tempPath[MAX_PATH];
    GetTempPathA(MAX_PATH, tempPath);
    Surroundings before;
    before.temp = ListFolder(std::string(tempPath) + ".");
    before.root = ListFolder("C:");
    before.sentinel = ListTree(sentinel);
    before.sentinelContent = ReadOrEmpty(sentinel + "\\deep\\keep.txt");

    Random random(seed);
    std::map<int32_t, size_t> byResult;
    std::map<int, size_t> byCause;
    std::vector<size_t> byKind(kKinds, 0);
    size_t failures = 0;
    const DWORD started = GetTickCount();

    for (size_t m = 0; m < mutants; ++m) {
        const Base& base = bases[random.Below(bases.size())];
        const bool rawOnly = base.layout.local.empty();
        std::string bytes = base.bytes;
        const int rounds = random.Chance(20) ? 2 : 1;
        std::string description;
        for (int k = 0; k < rounds; ++k) {
            Kind kind = static_cast<Kind>(random.Below(kKinds));
            if (rawOnly && kind != kTruncate && kind != kByteRun) kind = kBitFlips;
            ++byKind[kind];
            description += (k ? " + " : "") + std::string(kKindNames[kind]);
            Mutate(random, kind, bytes, base.layout);
        }
        char label[256];
        std::snprintf(label, sizeof label, "#%zu (%s: %s)", m, base.name.c_str(), description.c_str());
        g_mutant = label;

        RemoveTree(targetParent);
        CreateDirectoryA(targetParent.c_str(), nullptr);
        if (!WriteBytes(archive, bytes)) {
            std::fprintf(stderr, "robustness: cannot write the archive for %s\n", label);
            return 2;
        }

        Job job{archive, target, {}};
        HANDLE thread = CreateThread(nullptr, 0, &RunJob, &job, 0, nullptr);
        if (WaitForSingleObject(thread, 30000) != WAIT_OBJECT_0) {
            std::fprintf(stderr, "robustness: HANG on mutant %s\n", label);
            std::fflush(stderr);
            ExitProcess(4);
        }
        CloseHandle(thread);

        std::vector<std::string> problems;
        const Outcome& o = job.outcome;
        ++byResult[o.result];
        if (o.result != 1 && o.result != 0 && o.result != -1) problems.push_back("result " + std::to_string(o.result));
        const int cause = static_cast<int>(o.cause);
        ++byCause[cause];
        // Every failure has its cause, and only a failure has one.
        if ((o.result == 1) != (o.cause == quill::ExtractFailure::kNone) ||
            (o.result == -1) != (o.cause == quill::ExtractFailure::kNoArchive))
            problems.push_back(std::string("cause '") + kCauseNames[cause] + "' for result " + std::to_string(o.result));
        for (size_t i = 0; i < o.events.size(); ++i) {
            if (o.events[i] < 0 || o.events[i] > 100) problems.push_back("event value " + std::to_string(o.events[i]));
            if (i > 0 && o.events[i] < o.events[i - 1]) problems.push_back("progress went backwards");
        }
        if (o.events.empty()) problems.push_back("no progress event");
        if (ListFolder(root) != std::set<std::string>{"tool.zip", "sentinel\\", "target\\"})
            problems.push_back("something written beside the target's parent");
        const std::set<std::string> parent = ListFolder(targetParent);
        if (!parent.empty() && parent != std::set<std::string>{"inst\\"})
            problems.push_back("something written beside the target folder");
        if (ListFolder(scratch.path()) != std::set<std::string>{"root\\"}) problems.push_back("sandbox changed");
        if (ListTree(sentinel) != before.sentinel || ReadOrEmpty(sentinel + "\\deep\\keep.txt") != before.sentinelContent)
            problems.push_back("sentinel tree changed");
        if (ListFolder(std::string(tempPath) + ".") != before.temp) problems.push_back("temporary folder changed");
        if (ListFolder("C:") != before.root) problems.push_back("root of C: changed");

        if (!problems.empty()) {
            ++failures;
            std::fprintf(stderr, "robustness: mutant %s:", label);
            for (const std::string& p : problems) std::fprintf(stderr, " [%s]", p.c_str());
            std::fprintf(stderr, "\n");
            // Keep the offending archive for a closer look, next to the sandbox.
            WriteBytes(std::string(tempPath) + "quill-robustness-failed-" + std::to_string(m) + ".zip", bytes);
            before.temp = ListFolder(std::string(tempPath) + ".");
        }
    }

    const double seconds = (GetTickCount() - started) / 1000.0;
    std::printf("robustness: seed %llu, %zu mutants of %zu base archives in %.1f s\n",
                static_cast<unsigned long long>(seed), mutants, bases.size(), seconds);
    std::printf("robustness: results  1: %zu   0: %zu   -1: %zu\n", byResult[1], byResult[0], byResult[-1]);
    std::printf("robustness: causes");
    for (const auto& [cause, count] : byCause) std::printf("  %s: %zu", kCauseNames[cause], count);
    std::printf("\nrobustness: mutations");
    for (int k = 0; k < kKinds; ++k) std::printf("  %s: %zu", kKindNames[k], byKind[k]);
    std::printf("\nrobustness: %zu mutants passed, %zu failed\n", mutants - failures, failures);
    return failures == 0 ? 0 : 1;
}
