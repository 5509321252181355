// Fuzzes the replacement's translation, the substitution and the rename job's name computation:
// never a crash, never undefined behaviour, every failure one of the designed errors.
// Input: pattern NUL replacement NUL subject NUL more names separated by NUL.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/regular_expression.h"
#include "core/rename_job.h"

using namespace moxtal;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0 && parts.size() < 12)
            parts.emplace_back();
        else
            parts.back() += static_cast<char>(data[i]);
    }
    parts.resize(std::max<std::size_t>(parts.size(), 3));
    // A bound on backtracking, so that a slow pattern is not reported as a hang.
    const std::string pattern = "(*LIMIT_MATCH=20000)(*LIMIT_DEPTH=2000)" + parts[0];
    const std::string& replacement = parts[1];
    for (const CodePage cp : {CodePage::Utf8, CodePage::Cp932})
        (void)TranslateReplacement(replacement, cp);
    try {
        (void)RegexReplace(parts[2], pattern, replacement, kCaseless);
    } catch (const AppError&) { }
    // The machine code and the interpreter give the same replacement (their match limits count
    // differently, so a limit reached by either is no disagreement).
    try {
        const CompiledPattern machine(pattern, kCaseless, true), interpreter(pattern, kCaseless, false);
        const std::string translated = TranslateReplacement(replacement, CodePage::Utf8);
        std::string byMachine, byInterpreter;
        bool limited = false;
        try {
            byMachine = machine.replace(parts[2], translated);
            byInterpreter = interpreter.replace(parts[2], translated);
        } catch (const MatchError&) {
            limited = true;
        }
        if (!limited && byMachine != byInterpreter)
            __builtin_trap();
    } catch (const AppError&) { }
    std::vector<JobEntry> entries;
    for (std::size_t i = 2; i < parts.size(); ++i)
        entries.push_back({parts[i], static_cast<int>(i), "2003/01/15 12:34:56"});
    for (const CodePage cp : {CodePage::Utf8, CodePage::Cp932}) {
        try {
            const JobResult job =
                computeRenameRows("/x/folder", entries, JobTexts {pattern, replacement, "-3", "7"}, cp);
            for (const ConfirmRow& row : job.rows) {
                if (row.status == kStatusReplace && row.newName.find_first_of("<>|*/:?;,") != std::string::npos &&
                    cp == CodePage::Utf8) {
                    // "Replace" never proposes a name with a character of the invalid set outside the
                    // extension (the extension is the file's own).
                    const NameParts parts2 = splitBaseName(row.newName, cp);
                    if (parts2.base.find_first_of("<>|*/:?;,") != std::string_view::npos)
                        __builtin_trap();
                }
            }
        } catch (const AppError&) { }
    }
    return 0;
}
