#define PCRE2_CODE_UNIT_WIDTH 8
#include "regular_expression.h"

#include <pcre2.h>

#include <new>

static_assert(moxtal::kCaseless == PCRE2_CASELESS);
static_assert(moxtal::kNoMatch == PCRE2_ERROR_NOMATCH);

namespace moxtal {

void CompiledPattern::CodeFree::operator()(const pcre2_code* code) const
{
    pcre2_code_free(const_cast<pcre2_code*>(code));
}

void CompiledPattern::MatchDataFree::operator()(pcre2_match_data* data) const
{
    pcre2_match_data_free(data);
}

void CompiledPattern::MatchContextFree::operator()(pcre2_match_context* context) const
{
    pcre2_match_context_free(context);
}

void CompiledPattern::JitStackFree::operator()(pcre2_jit_stack* stack) const
{
    pcre2_jit_stack_free(stack);
}

namespace {

// Room for the whole match and capture groups 1 to 4, as the replacement expects.
constexpr std::uint32_t kOffsetPairs = 5;

thread_local std::size_t g_interpretedBytes = 0;  // the test seam interpretedBytes()

}  // namespace

std::string pcre2ErrorMessage(int code)
{
    PCRE2_UCHAR buffer[256];
    const int length = pcre2_get_error_message(code, buffer, sizeof buffer);
    if (length < 0)
        return "PCRE2 error " + std::to_string(code);
    return std::string(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(length));
}

CompiledPattern::CompiledPattern(const std::string& pattern, std::uint32_t options, bool machineCode)
{
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.c_str()), PCRE2_ZERO_TERMINATED, options,
                                     &errorCode, &errorOffset, nullptr);
    if (!code)
        throw AppError(pcre2ErrorMessage(errorCode));
    m_code.reset(code, CodeFree {});
    // Machine code is an optimisation only: without it (or its stack) the interpreter matches.
    makeMatchData(machineCode && pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) == 0);
}

CompiledPattern CompiledPattern::matcherForThread() const
{
    CompiledPattern matcher;
    matcher.m_code = m_code;
    matcher.makeMatchData(m_jit);
    return matcher;
}

void CompiledPattern::makeMatchData(bool machineCode)
{
    m_matchData.reset(pcre2_match_data_create(kOffsetPairs, nullptr));
    if (!m_matchData)
        throw std::bad_alloc();
    if (machineCode) {
        m_jitStack.reset(pcre2_jit_stack_create(32 * 1024, 8 * 1024 * 1024, nullptr));
        m_matchContext.reset(pcre2_match_context_create(nullptr));
        if (m_jitStack && m_matchContext) {
            pcre2_jit_stack_assign(m_matchContext.get(), nullptr, m_jitStack.get());
            m_jit = true;
        }
    }
}

int CompiledPattern::execute(const char* subject, std::size_t length) const
{
    const auto* units = reinterpret_cast<PCRE2_SPTR>(subject);
    if (m_jit) {
        const int rc = pcre2_match(m_code.get(), units, length, 0, 0, m_matchData.get(), m_matchContext.get());
        if (rc != PCRE2_ERROR_JIT_STACKLIMIT)
            return rc;
    }
    g_interpretedBytes += length;
    return pcre2_match(m_code.get(), units, length, 0, PCRE2_NO_JIT, m_matchData.get(), nullptr);
}

std::size_t interpretedBytes()
{
    return g_interpretedBytes;
}

int CompiledPattern::match(std::string_view text) const
{
    m_lastResult = execute(text.data(), text.size());
    return m_lastResult;
}

std::string CompiledPattern::replace(std::string_view subject, const std::string& translated,
                                     std::vector<bool>* fromReplacement, bool firstMatchDone) const
{
    // Each remaining text is the subject after the end of the last match (the piece that replaced
    // it is never searched again), so the result is built as the loop goes: linear in the text.
    std::string result;
    result.reserve(subject.size());
    if (fromReplacement)
        fromReplacement->clear();
    auto keep = [&](std::size_t from, std::size_t length) {
        result.append(subject.substr(from, length));
        if (fromReplacement)
            fromReplacement->insert(fromReplacement->end(), length, false);
    };
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(m_matchData.get());
    std::size_t offset = 0;
    for (bool first = true;; first = false) {
        // The remaining text is a fresh subject: "^" matches at the offset again. Once nothing is
        // left, a match could only be empty at its start, which ends the loop anyway.
        const char* remaining = subject.data() + offset;
        if (!first && offset == subject.size())
            break;
        const int rc = first && firstMatchDone ? m_lastResult : execute(remaining, subject.size() - offset);
        if (rc < 0 && rc != kNoMatch)
            throw MatchError(pcre2ErrorMessage(rc));
        if (rc <= 0)
            break;
        const std::size_t matchStart = ovector[0];
        const std::size_t matchEnd = ovector[1];
        // An empty match at the start ends the loop; so does a match that \K set to end
        // before it starts, which has no range to replace.
        if (matchEnd == 0 || matchEnd < matchStart)
            break;

        keep(offset, matchStart);
        // The piece: the translated replacement with every reference marker expanded, scanned
        // left to right, so a marker byte inside a group's text is never taken for a marker.
        for (std::size_t i = 0; i < translated.size(); ++i) {
            if (translated[i] != kReferenceMarker) {
                result += translated[i];
                if (fromReplacement)
                    fromReplacement->push_back(true);
                continue;
            }
            const int group = i + 1 < translated.size() ? translated[i + 1] - '0' : -1;
            if (group < 1 || group > 9)
                throw AppError("sub pattern error");
            ++i;
            const bool isSet =
                group < rc && static_cast<std::uint32_t>(group) < kOffsetPairs && ovector[2 * group] != PCRE2_UNSET;
            if (!isSet)
                continue;
            const std::size_t groupStart = ovector[2 * group];
            const std::size_t groupEnd = ovector[2 * group + 1];
            if (groupEnd > groupStart)
                keep(offset + groupStart, groupEnd - groupStart);
        }
        offset += matchEnd;
    }
    keep(offset, subject.size() - offset);
    return result;
}

std::string TranslateReplacement(const std::string& replacement, CodePage cp)
{
    std::string search = replacement;
    std::string output = replacement;
    std::size_t pos = 0;
    while ((pos = findChar(search, '\\', cp, pos)) != std::string::npos) {
        if (pos + 1 >= search.size())
            break;
        const char next = search[pos + 1];
        if (next >= '1' && next <= '9') {
            output[pos] = kReferenceMarker;
        } else if (next == 'd') {
            output[pos] = output[pos + 1] = kDateMarker;
        } else if (next == 'D') {
            output[pos] = output[pos + 1] = kDateTimeMarker;
        } else if (next == 'f') {
            output[pos] = output[pos + 1] = kFolderMarker;
        }
        // The byte after the backslash is only looked at, so "\\1" is a backslash then \1.
        search[pos] = ' ';
        ++pos;
    }
    const std::size_t nul = output.find('\0');
    if (nul != std::string::npos)
        output.resize(nul);
    return output;
}

int RegexMatch(const std::string& text, const std::string& pattern)
{
    return CompiledPattern(pattern, kCaseless).match(text);
}

std::string RegexReplace(std::string subject, const std::string& pattern, const std::string& replacement,
                         std::uint32_t options, CodePage cp)
{
    const std::string translated = TranslateReplacement(replacement, cp);
    return CompiledPattern(pattern, options).replace(std::move(subject), translated);
}

}  // namespace moxtal
