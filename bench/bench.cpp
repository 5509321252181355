// The benchmark: moxtal-cli's rename pass and preview against the plainest C loops over the same
// folders (on the disk and on a tmpfs), interleaved, several runs each, medians and ratios, peak
// memory; the peers when installed; and the window driven without a display. It reports; it
// never fails on a number.
//
// And a slow file server: a FUSE mount that waits before each answer (latency_fs).
//
//   bench [--sizes 10000,100000] [--runs 5] [--window-sizes 100000,1000000] [--data DIR]
//         [--slow-files 10000] [--latency-us 200] [--plot FILE.png] [--disk-up-to N]
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <locale.h>
#include <map>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Run {
    double seconds = 0;
    long peakKb = 0;
    int status = 0;
};

// Runs argv with standard output to a file (/dev/null unless said; "" keeps this one's), standard
// error to one when given, and standard input from one when given; wall time and peak memory.
Run runProgram(const std::vector<std::string>& argv, const std::string& workDir = {}, const std::string& stdinFile = {},
               const std::string& output = "/dev/null", const std::string& errorOutput = {})
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!output.empty()) {
            const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, 1);
        }
        if (!errorOutput.empty()) {
            const int err = ::open(errorOutput.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(err, 2);
        }
        if (!stdinFile.empty()) {
            const int in = ::open(stdinFile.c_str(), O_RDONLY);
            ::dup2(in, 0);
        }
        if (!workDir.empty() && ::chdir(workDir.c_str()) != 0)
            ::_exit(127);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage { };
    ::wait4(pid, &status, 0, &usage);
    Run run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakKb = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// A benchmark that measures a wrong result measures nothing: every child must succeed and leave
// the folder as it should be, else the run fails.
bool g_failed = false;

void expect(bool ok, const std::string& what)
{
    if (!ok) {
        std::printf("FAILED: %s\n", what.c_str());
        g_failed = true;
    }
}

// What moxtal-cli aims at, as ratios to the C loops: the preview (two threads) within the loop that
// only reads (one), the rename pass close to the loop that only renames; on a slow file server,
// far below the serial loops.
constexpr double kPreviewAim = 1.0;
constexpr double kPreviewInLocaleAim = 1.15;
constexpr double kRenameOnTmpfsAim = 1.25;
constexpr double kRenameOnDiskAim = 1.05;
constexpr double kSlowPreviewAim = 0.1;
constexpr double kSlowRenameAim = 0.75;

struct Aim {
    std::string job;
    double ratio;
    double target;
};
std::vector<Aim> g_aims;

void aim(const std::string& job, double ratio, double target)
{
    g_aims.push_back({job, ratio, target});
}

// The number of files in folder whose names begin with prefix, and of all files.
std::pair<int, int> countFiles(const fs::path& folder, const std::string& prefix)
{
    int matching = 0, all = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        ++all;
        matching += entry.path().filename().string().rfind(prefix, 0) == 0;
    }
    return {matching, all};
}

// A rename run succeeded and left exactly count files, every one renamed to img_....
void expectRenamed(const Run& run, const fs::path& folder, int count, const std::string& who)
{
    expect(run.status == 0, who + " exited with status " + std::to_string(run.status));
    const auto [renamed, all] = countFiles(folder, "img_");
    expect(renamed == count && all == count, who + " left " + std::to_string(all) + " files, " +
                                                 std::to_string(renamed) + " renamed, of " + std::to_string(count));
}

const char* const kUserLocales[] = {"en_US.UTF-8", "ja_JP.UTF-8"};

// Whether the system has the locale (the set-up generates both).
bool localeAvailable(const char* name)
{
    const locale_t locale = ::newlocale(LC_ALL_MASK, name, static_cast<locale_t>(nullptr));
    if (!locale)
        return false;
    ::freelocale(locale);
    return true;
}

// Makes count one-byte files in an emptied folder; an empty text, or why a file could not be made.
std::string tryMakeFiles(const fs::path& folder, int count)
{
    // The folder itself stays: a file server may be serving it.
    std::error_code error;
    fs::create_directories(folder, error);
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
        fs::remove_all(entry->path(), error);
    if (error)
        return folder.string() + ": " + error.message();
    char number[32];
    for (int i = 0; i < count; ++i) {
        std::snprintf(number, sizeof number, "/file_%07d.dat", (i * 7919) % count);
        const std::string name = folder.string() + number;
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0 || ::write(fd, "x", 1) != 1) {
            const std::string why = name + ": " + std::strerror(errno);
            if (fd >= 0)
                ::close(fd);
            return why;
        }
        ::close(fd);
    }
    return {};
}

// A folder the runs need; a run on a short folder would measure nothing, so that fails.
void makeFiles(const fs::path& folder, int count)
{
    const std::string why = tryMakeFiles(folder, count);
    expect(why.empty(), "cannot make " + std::to_string(count) + " files: " + why);
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool isTmpfs(const fs::path& path)
{
    struct statfs info { };
    return ::statfs(path.c_str(), &info) == 0 && info.f_type == 0x01021994;
}

std::string fmtSeconds(double s)
{
    char text[32];
    std::snprintf(text, sizeof text, s < 0.1 ? "%.4f s" : "%.3f s", s);
    return text;
}

std::string withRatio(double s, double limit)
{
    char text[64];
    std::snprintf(text, sizeof text, "%s (%.2fx)", fmtSeconds(s).c_str(), limit > 0 ? s / limit : 0.0);
    return text;
}

std::vector<int> parseSizes(const char* text)
{
    std::vector<int> sizes;
    for (const char* p = text; *p;) {
        sizes.push_back(std::atoi(p));
        p = std::strchr(p, ',');
        if (!p)
            break;
        ++p;
    }
    return sizes;
}

std::optional<std::string> findProgram(const char* name)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const fs::path candidate = fs::path(dirs.substr(start, end - start)) / name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.string();
        start = end + 1;
    }
    return std::nullopt;
}

// The lines a file holds.
std::vector<std::string> fileLines(const fs::path& path)
{
    std::vector<std::string> lines;
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file)
        return lines;
    char line[4096];
    while (std::fgets(line, sizeof line, file)) {
        std::string text = line;
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        lines.push_back(text);
    }
    std::fclose(file);
    return lines;
}

// One more run of a moxtal-cli job with MOXTAL_PHASES=1: the seconds of each of its phases, in
// their order, as it printed them to standard error ("moxtal-cli: phase NAME: SECONDS s").
std::vector<std::pair<std::string, double>> jobPhases(std::vector<std::string> argv, const fs::path& scratch)
{
    argv.insert(argv.begin(), {"env", "MOXTAL_PHASES=1"});
    const fs::path errors = scratch.string() + ".phases";
    const Run run = runProgram(argv, {}, {}, "/dev/null", errors.string());
    expect(run.status == 0, "the job with its phases timed exited with status " + std::to_string(run.status));
    std::vector<std::pair<std::string, double>> phases;
    const std::string prefix = "moxtal-cli: phase ";
    for (const std::string& line : fileLines(errors)) {
        const std::size_t colon = line.rfind(": ");
        if (line.rfind(prefix, 0) == 0 && colon != std::string::npos && colon > prefix.size())
            phases.emplace_back(line.substr(prefix.size(), colon - prefix.size()), std::atof(line.c_str() + colon + 2));
    }
    std::error_code ignored;
    fs::remove(errors, ignored);
    return phases;
}

// The phases as a row of the table: each with its seconds and its share of the limit.
std::string phaseCells(const std::vector<std::pair<std::string, double>>& phases, double limit)
{
    std::string cells;
    for (const auto& [phase, seconds] : phases) {
        char text[96];
        std::snprintf(text, sizeof text, "%s%s %.1f ms (%.2fx)", cells.empty() ? "" : ", ", phase.c_str(),
                      seconds * 1000, limit > 0 ? seconds / limit : 0.0);
        cells += text;
    }
    return cells.empty() ? "none printed" : cells;
}

bool isFuseMount(const fs::path& path)
{
    struct statfs info { };
    return ::statfs(path.c_str(), &info) == 0 && info.f_type == 0x65735546;
}

// A file server answering each request after latencyUs: the listing against the serial C loop over
// the same mount, and the rename pass, whose renames must reach the server one at a time and in
// the order of the preview's rows.
void slowServer(const fs::path& server, const std::string& baseline, const std::string& cli, const fs::path& data,
                int count, int latencyUs, int runs)
{
    if (count <= 0)
        return;
    if (!fs::exists(server)) {
        std::printf("(no slow file server: built without libfuse3)\n");
        return;
    }
    const fs::path source = data / "slow-source", mount = data / "slow-mount";
    const fs::path renames = data / "slow-renames.txt", preview = data / "slow-preview.txt";
    std::error_code ignored;
    fs::create_directories(mount, ignored);
    makeFiles(source, count);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open("/dev/null", O_WRONLY);
        ::dup2(out, 1);
        ::execl(server.c_str(), server.c_str(), source.c_str(), mount.c_str(), std::to_string(latencyUs).c_str(),
                renames.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    bool mounted = false;
    for (int i = 0; i < 500 && !mounted; ++i) {
        mounted = isFuseMount(mount);
        if (!mounted && ::waitpid(pid, nullptr, WNOHANG) == pid)
            break;
        if (!mounted)
            ::usleep(10000);
    }
    if (!mounted) {
        std::printf("(the slow file server could not mount here, no /dev/fuse or no right to mount: left out)\n");
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        fs::remove_all(source, ignored);
        return;
    }
    std::vector<double> limit, ours;
    for (int r = 0; r < runs; ++r) {
        const Run plain = runProgram({baseline, "preview", mount.string()});
        expect(plain.status == 0,
               "the C preview loop on the slow server exited with status " + std::to_string(plain.status));
        limit.push_back(plain.seconds);
        const Run listed = runProgram({cli, "--replace", "img_\\\\\\\\\\\\", mount.string()}, {}, {}, preview.string());
        expect(listed.status == 0,
               "the preview on the slow server exited with status " + std::to_string(listed.status));
        ours.push_back(listed.seconds);
    }
    std::printf("| preview %d files on a server answering in %d us | C loop readdir + fstatat: %s | | %s | |\n", count,
                latencyUs, fmtSeconds(median(limit)).c_str(), withRatio(median(ours), median(limit)).c_str());
    aim("preview " + std::to_string(count) + " files on the slow server", median(ours) / median(limit),
        kSlowPreviewAim);
    // The rename pass: each row's rename reaches the server alone, in the rows' order.
    std::vector<std::string> expected;
    for (const std::string& row : fileLines(preview))
        expected.push_back(row.substr(0, row.rfind('\t')));
    const Run pass = runProgram({cli, "--replace", "img_\\\\\\\\\\\\", "--rename", mount.string()});
    expectRenamed(pass, mount, count, "moxtal-cli --rename on the slow server");
    expect(fileLines(renames) == expected,
           "the renames did not reach the slow server one at a time in the rows' order");
    makeFiles(source, count);
    const Run plainPass = runProgram({baseline, "rename", mount.string()});
    expectRenamed(plainPass, mount, count, "the C rename loop on the slow server");
    std::printf("| rename %d files on a server answering in %d us | C loop readdir + renameat2: %s | | %s | |\n", count,
                latencyUs, fmtSeconds(plainPass.seconds).c_str(), withRatio(pass.seconds, plainPass.seconds).c_str());
    aim("rename pass " + std::to_string(count) + " files on the slow server", pass.seconds / plainPass.seconds,
        kSlowRenameAim);
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (isFuseMount(mount))
        runProgram({"fusermount3", "-u", mount.string()});
    fs::remove_all(source, ignored);
    fs::remove(renames, ignored);
    fs::remove(preview, ignored);
}

// Seconds per folder size for the plot, one series per column; a missing value stays NaN.
struct PlotRow {
    double previewLimit = NAN, preview = NAN, renameLimit = NAN, rename = NAN, windowListing = NAN;
};

// Prints what a child wrote to its file and gives the seconds of its line that contains label.
double echoAndFind(const fs::path& output, const std::string& label)
{
    double seconds = NAN;
    for (const std::string& line : fileLines(output)) {
        std::printf("%s\n", line.c_str());
        const std::size_t at = line.find(label);
        const std::size_t bar = line.rfind("| ");
        if (at != std::string::npos && bar != std::string::npos && bar > at)
            seconds = std::atof(line.c_str() + bar + 2);
    }
    return seconds;
}

// Time against folder size on logarithmic axes, drawn by gnuplot from a data file beside the PNG.
void writePlot(const std::map<int, PlotRow>& rows, const fs::path& png, long cores)
{
    const fs::path table = png.string() + ".dat";
    std::FILE* file = std::fopen(table.c_str(), "w");
    if (!file) {
        expect(false, "cannot write " + table.string());
        return;
    }
    const auto value = [](double seconds) { return std::isnan(seconds) ? std::string("?") : std::to_string(seconds); };
    std::fprintf(file, "# files, C readdir+fstatat, moxtal-cli preview, C readdir+renameat2, moxtal-cli rename, "
                       "window listing (seconds)\n");
    for (const auto& [size, row] : rows)
        std::fprintf(file, "%d %s %s %s %s %s\n", size, value(row.previewLimit).c_str(), value(row.preview).c_str(),
                     value(row.renameLimit).c_str(), value(row.rename).c_str(), value(row.windowListing).c_str());
    std::fclose(file);
    const std::string script =
        "set terminal pngcairo size 900,560 font 'sans,10'; set output '" + png.string() +
        "'; set datafile missing '?'; set logscale xy; set format x '%.0f'; set grid; set key top left;"
        " set xlabel 'files in the folder (tmpfs)'; set ylabel 'seconds';"
        " set title 'Mox-Tal against the plain C loops, " +
        std::to_string(cores) + " cores'; plot '" + table.string() +
        "' using 1:2 with linespoints lw 2 lc rgb '#1f77b4' dashtype 2 title 'C loop: readdir + fstatat',"
        " '' using 1:3 with linespoints lw 2 lc rgb '#1f77b4' title 'moxtal-cli preview',"
        " '' using 1:4 with linespoints lw 2 lc rgb '#d62728' dashtype 2 title 'C loop: readdir + renameat2',"
        " '' using 1:5 with linespoints lw 2 lc rgb '#d62728' title 'moxtal-cli rename pass',"
        " '' using 1:6 with linespoints lw 2 lc rgb '#2ca02c' title 'window: listing (Refresh FileList)'";
    const Run run = runProgram({"gnuplot", "-e", script});
    expect(run.status == 0, "gnuplot could not draw " + png.string());
}

}  // namespace

int main(int argc, char** argv)
{
    // Line by line, so that a long run shows how far it is.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const fs::path self = fs::canonical("/proc/self/exe").parent_path();
    std::vector<int> sizes {10000, 100000};
    std::vector<int> windowSizes {100000};
    int runs = 5;
    int slowFiles = 10000;
    int diskUpTo = std::numeric_limits<int>::max();  // larger folders go to the tmpfs only
    fs::path plotFile;
    std::map<int, PlotRow> plot;
    int latencyUs = 200;
    fs::path data = self / "data";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--sizes")
            sizes = parseSizes(argv[i + 1]);
        else if (option == "--window-sizes")
            windowSizes = parseSizes(argv[i + 1]);
        else if (option == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (option == "--data")
            data = argv[i + 1];
        else if (option == "--disk-up-to")
            diskUpTo = std::atoi(argv[i + 1]);
        else if (option == "--plot")
            plotFile = fs::absolute(argv[i + 1]);
        else if (option == "--slow-files")
            slowFiles = std::atoi(argv[i + 1]);
        else if (option == "--latency-us")
            latencyUs = std::max(0, std::atoi(argv[i + 1]));
    }
    const std::string baseline = (self / "baseline").string();
    const std::string cli = (self.parent_path() / "cli" / "moxtal-cli").string();
    const std::string window = (self / "bench_window").string();
    const std::optional<std::string> perlRename = findProgram("file-rename");

    std::vector<std::pair<std::string, fs::path>> places {{"disk", data / "folder"}};
    const fs::path shm = "/dev/shm";
    if (fs::is_directory(shm) && isTmpfs(shm)) {
        // A small or full /dev/shm (containers often have one) cannot hold the largest folder:
        // then the runs go to the disk only.
        const fs::path folder = shm / ("moxtal-bench-" + std::to_string(::getpid()));
        int largest = 0;
        for (const int size : sizes)
            largest = std::max(largest, size);
        for (const int size : windowSizes)
            largest = std::max(largest, size);
        const std::string why = tryMakeFiles(folder, largest);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        if (why.empty())
            places.insert(places.begin(), {"tmpfs", folder});
        else
            std::printf("(the tmpfs at /dev/shm cannot hold %d files: %s; the disk only)\n", largest, why.c_str());
    } else {
        std::printf("(no tmpfs at /dev/shm: the disk only)\n");
    }

    const std::vector<std::string> cliRename {cli, "--replace", "img_\\\\\\\\\\\\", "--rename"};
    const long cores = ::sysconf(_SC_NPROCESSORS_ONLN);
    std::printf("(%ld cores)\n\n", cores);
    std::printf("| job | the limit | list, sort, rename | moxtal-cli | perl-rename |\n|---|---|---|---|---|\n");
    for (const int size : sizes) {
        for (const auto& [place, folder] : places) {
            if (place == "disk" && places.size() > 1 && size > diskUpTo)
                continue;
            std::vector<double> limit, listed, moxtal, perl;
            for (int r = 0; r < runs; ++r) {
                makeFiles(folder, size);
                const Run plain = runProgram({baseline, "rename", folder.string()});
                expectRenamed(plain, folder, size, "the C rename loop");
                limit.push_back(plain.seconds);
                makeFiles(folder, size);
                const Run sorted = runProgram({baseline, "listed", folder.string()});
                expectRenamed(sorted, folder, size, "the C list-and-rename loop");
                listed.push_back(sorted.seconds);
                makeFiles(folder, size);
                std::vector<std::string> args = cliRename;
                args.push_back(folder.string());
                const Run ours = runProgram(args);
                expectRenamed(ours, folder, size, "moxtal-cli --rename");
                moxtal.push_back(ours.seconds);
                if (perlRename) {
                    makeFiles(folder, size);
                    const fs::path names = folder.string() + ".names";
                    std::string list;
                    for (const auto& entry : fs::directory_iterator(folder))
                        list += entry.path().filename().string() + "\n";
                    FILE* f = std::fopen(names.c_str(), "w");
                    std::fwrite(list.data(), 1, list.size(), f);
                    std::fclose(f);
                    const Run theirs = runProgram({*perlRename, "s/.*/sprintf(\"img_%06d.dat\", $::n++)/e"},
                                                  folder.string(), names.string());
                    fs::remove(names);
                    expectRenamed(theirs, folder, size, "perl-rename");
                    perl.push_back(theirs.seconds);
                }
            }
            if (place == places.front().first) {
                plot[size].renameLimit = median(limit);
                plot[size].rename = median(moxtal);
            }
            aim("rename pass " + std::to_string(size) + " files on " + place, median(moxtal) / median(limit),
                place == "tmpfs" ? kRenameOnTmpfsAim : kRenameOnDiskAim);
            std::printf("| rename %d files on %s | C loop readdir + renameat2: %s | C loop: %s | %s | %s |\n", size,
                        place.c_str(), fmtSeconds(median(limit)).c_str(),
                        withRatio(median(listed), median(limit)).c_str(),
                        withRatio(median(moxtal), median(limit)).c_str(),
                        perl.empty() ? "not installed" : withRatio(median(perl), median(limit)).c_str());
        }
        const auto& [place, folder] = places.front();
        makeFiles(folder, size);
        std::vector<double> limit, moxtal, oneThread;
        std::map<std::string, std::vector<double>> inLocale;
        long peak = 0;
        const auto previewIn = [&](const std::string& locale) {
            return std::vector<std::string> {"env",       "LC_ALL=" + locale, cli,
                                             "--replace", "img_\\\\\\\\\\\\", folder.string()};
        };
        for (int r = 0; r < runs; ++r) {
            // The same preview with the listing forced onto one thread (status reads and sort).
            const Run single = runProgram(
                {"env", "LC_ALL=C", "MOXTAL_LIST_THREADS=1", cli, "--replace", "img_\\\\\\\\\\\\", folder.string()});
            expect(single.status == 0, "the one-thread preview exited with status " + std::to_string(single.status));
            oneThread.push_back(single.seconds);
            const Run plain = runProgram({baseline, "preview", folder.string()});
            expect(plain.status == 0, "the C preview loop exited with status " + std::to_string(plain.status));
            limit.push_back(plain.seconds);
            const Run preview = runProgram(previewIn("C"));
            expect(preview.status == 0, "the moxtal-cli preview exited with status " + std::to_string(preview.status));
            moxtal.push_back(preview.seconds);
            peak = std::max(peak, preview.peakKb);
            // The user's own locale: names sort by its collation.
            for (const char* locale : kUserLocales) {
                if (!localeAvailable(locale))
                    continue;
                const Run run = runProgram(previewIn(locale));
                expect(run.status == 0,
                       std::string("the preview in ") + locale + " exited with status " + std::to_string(run.status));
                inLocale[locale].push_back(run.seconds);
            }
        }
        plot[size].previewLimit = median(limit);
        plot[size].preview = median(moxtal);
        std::printf("| preview %d files on %s (C locale) | C loop readdir + fstatat: %s | | %s | |\n", size,
                    place.c_str(), fmtSeconds(median(limit)).c_str(), withRatio(median(moxtal), median(limit)).c_str());
        aim("preview " + std::to_string(size) + " files on " + place + ", C locale", median(moxtal) / median(limit),
            kPreviewAim);
        std::printf("| preview %d files on %s, one listing thread | | | %s | |\n", size, place.c_str(),
                    withRatio(median(oneThread), median(limit)).c_str());
        std::printf("| peak memory of the preview, %d files | | | %.1f MB | |\n", size, peak / 1024.0);
        for (const auto& [locale, seconds] : inLocale) {
            std::printf("| preview %d files on %s, %s | | | %s | |\n", size, place.c_str(), locale.c_str(),
                        withRatio(median(seconds), median(limit)).c_str());
            aim("preview " + std::to_string(size) + " files on " + place + ", " + locale,
                median(seconds) / median(limit), kPreviewInLocaleAim);
        }
        // Where the time goes: one more preview in each locale with its phases timed.
        std::printf("| phases of the preview, %d files on %s, C locale | %s |\n", size, place.c_str(),
                    phaseCells(jobPhases(previewIn("C"), folder), median(limit)).c_str());
        for (const auto& [locale, seconds] : inLocale)
            std::printf("| phases of the preview, %d files on %s, %s | %s |\n", size, place.c_str(), locale.c_str(),
                        phaseCells(jobPhases(previewIn(locale), folder), median(limit)).c_str());
        // And of the rename pass, against its C loop's median.
        makeFiles(folder, size);
        std::vector<std::string> renameArgs = cliRename;
        renameArgs.push_back(folder.string());
        std::printf("| phases of the rename pass, %d files on %s | %s |\n", size, place.c_str(),
                    phaseCells(jobPhases(renameArgs, folder), plot[size].renameLimit).c_str());
    }
    for (const auto& [place, folder] : places)
        fs::remove_all(folder);

    slowServer(self / "latency_fs", baseline, cli, data, slowFiles, latencyUs, runs);

    // The window, without a display.
    for (const int size : windowSizes) {
        const fs::path folder = places.front().second;
        makeFiles(folder, size);
        std::fflush(stdout);
        const bool rename = size < 1000000;
        const fs::path report = data / "window.txt";
        const Run run = runProgram({window, folder.string(), std::to_string(rename ? 1 : 0)}, {}, {}, report.string());
        plot[size].windowListing = echoAndFind(report, "window: listing (Refresh FileList)");
        fs::remove(report);
        if (rename)
            expectRenamed(run, folder, size, "the window");
        else
            expect(run.status == 0, "the window exited with status " + std::to_string(run.status));
        // The window's listing and sorting in the user's own locale.
        for (const char* locale : kUserLocales) {
            if (!localeAvailable(locale))
                continue;
            makeFiles(folder, size);
            std::printf("| window in %s: |\n", locale);
            std::fflush(stdout);
            const Run inLocale =
                runProgram({"env", std::string("LC_ALL=") + locale, window, folder.string(), "0"}, {}, {}, "");
            expect(inLocale.status == 0,
                   std::string("the window in ") + locale + " exited with status " + std::to_string(inLocale.status));
        }
        fs::remove_all(folder);
    }
    if (!plotFile.empty())
        writePlot(plot, plotFile, cores);
    std::printf("\n| aim | moxtal-cli / C loop | at most | |\n|---|---|---|---|\n");
    for (const Aim& a : g_aims)
        std::printf("| %s | %.2fx | %.2fx | %s |\n", a.job.c_str(), a.ratio, a.target,
                    a.ratio <= a.target ? "reached" : "not reached");
    return g_failed ? 1 : 0;
}
