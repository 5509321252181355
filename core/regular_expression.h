#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "codepage.h"

struct pcre2_real_code_8;
struct pcre2_real_match_data_8;
struct pcre2_real_match_context_8;
struct pcre2_real_jit_stack_8;

#include "app_error.h"

namespace moxtal {

// A match the library could not carry out (a match or depth limit, for example); its message is
// PCRE2's own text. No match is not an error: it is the result code kNoMatch.
class MatchError : public AppError {
public:
    using AppError::AppError;
};

// PCRE2's result code for "no match"; every other negative code is an error of the match itself.
constexpr int kNoMatch = -1;

// PCRE2's text for an error code.
std::string pcre2ErrorMessage(int code);

// Compile option bit for caseless matching (PCRE2's own value of PCRE2_CASELESS).
constexpr std::uint32_t kCaseless = 0x00000008u;

// Marker bytes that the translated replacement holds in place of the escapes.
constexpr char kReferenceMarker = '\x07';
constexpr char kDateMarker = '\x08';
constexpr char kDateTimeMarker = '\x09';
constexpr char kFolderMarker = '\x0A';

// A compiled pattern with its match data; both are freed when it goes out of scope.
class CompiledPattern {
public:
    // Compiles pattern (up to its first NUL byte) with the given option bits. Throws
    // AppError carrying PCRE2's compile error message when it does not compile.
    // machineCode false matches with the interpreter only (the fuzz target compares the two).
    CompiledPattern(const std::string& pattern, std::uint32_t options, bool machineCode = true);

    // A matcher of the same compiled pattern for another thread: the compiled code (and its machine
    // code) is shared, as matching only reads it; the match data, the machine code's stack and the
    // match context are the new one's own. A pattern matches on one thread at a time.
    CompiledPattern matcherForThread() const;

    // One execution over text; returns PCRE2's result code (0: a group above 4 took part,
    // kNoMatch: no match, other negative codes: the match could not be carried out).
    int match(std::string_view text) const;

    // The replacement loop over subject with an already translated replacement. When
    // fromReplacement is given it receives, per byte of the result, whether the byte was written
    // by the replacement (true) or came from the subject or a group's text (false). Throws
    // MatchError when a match fails with an error other than no match. firstMatchDone says that
    // the last match() was on subject and matched: the loop starts from its result.
    std::string replace(std::string_view subject, const std::string& translated,
                        std::vector<bool>* fromReplacement = nullptr, bool firstMatchDone = false) const;

private:
    CompiledPattern() = default;
    // Match data, and for machine code its stack and context, of this matcher's own.
    void makeMatchData(bool machineCode);

    // One execution over subject: the compiled machine code where there is one (its first-unit
    // search does not rescan the rest of the text on every call), the interpreter otherwise or
    // when the machine code runs out of stack.
    int execute(const char* subject, std::size_t length) const;

    struct CodeFree {
        void operator()(const pcre2_real_code_8* code) const;
    };
    struct MatchDataFree {
        void operator()(pcre2_real_match_data_8* data) const;
    };
    std::shared_ptr<const pcre2_real_code_8> m_code;
    std::unique_ptr<pcre2_real_match_data_8, MatchDataFree> m_matchData;
    struct MatchContextFree {
        void operator()(pcre2_real_match_context_8* context) const;
    };
    struct JitStackFree {
        void operator()(pcre2_real_jit_stack_8* stack) const;
    };
    std::unique_ptr<pcre2_real_jit_stack_8, JitStackFree> m_jitStack;
    std::unique_ptr<pcre2_real_match_context_8, MatchContextFree> m_matchContext;
    bool m_jit = false;
    mutable int m_lastResult = kNoMatch;  // the result code of the last match()
};

// For the test that proves the replacement loop linear: how many bytes of text this thread has
// handed to the interpreter, which may read all of a text on every call (the machine code's search
// does not rescan the rest of the text).
std::size_t interpretedBytes();

// Turns the escapes \1-\9, \d, \D, \f of a replacement into marker bytes; other backslashes stay.
// The result ends at the first NUL byte of the translation.
std::string TranslateReplacement(const std::string& replacement, CodePage cp = CodePage::Utf8);

// Matches pattern caselessly against the whole text and returns PCRE2's result code;
// a negative code means no match. Throws AppError when the pattern does not compile.
int RegexMatch(const std::string& text, const std::string& pattern);

// Replaces every match of pattern in subject by replacement, expanding back references.
// Date, date-time and folder markers and literal backslashes stay in the result.
// Throws AppError for a pattern that does not compile and for "sub pattern error",
// MatchError when a match fails with an error other than no match.
std::string RegexReplace(std::string subject, const std::string& pattern, const std::string& replacement,
                         std::uint32_t options, CodePage cp = CodePage::Utf8);

}  // namespace moxtal
