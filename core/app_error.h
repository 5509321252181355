#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace moxtal {

// The program's own messages: their source texts, as the program shows them in a Japanese or C
// locale, with %1, %2, ... for the values. The error display shows them translated for any other
// language (the translation catalogue holds every one).
namespace messages {
inline constexpr const char* kNotAnInteger = "'%1' は整数ではありません";
inline constexpr const char* kListIndexOutOfRange = "リストのインデックスが範囲を超えています (%1)";
inline constexpr const char* kCannotOpenFile = "ファイル %1 は開けません";
inline constexpr const char* kCannotCreateFile = "ファイル %1 を作成できません";
inline constexpr const char* kWriteError = "ストリームへの書き込みエラー";
inline constexpr const char* kCannotOpenClipboard = "クリップボードを開くことができません";
inline constexpr const char* kAll[] = {kNotAnInteger,     kListIndexOutOfRange, kCannotOpenFile,
                                       kCannotCreateFile, kWriteError,          kCannotOpenClipboard};
}  // namespace messages

// Fills the values into a source text's %1, %2, ... (each value as it is, bytes included).
std::string fillMessage(const char* source, const std::vector<std::string>& values);

// The application's general error: its message is shown to the user by the error display. One
// made from a source text keeps it and its values, so that the display can translate it.
class AppError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    AppError(const char* source, std::vector<std::string> values)
        : std::runtime_error(fillMessage(source, values)), m_source(source), m_values(std::move(values))
    { }

    const char* source() const { return m_source; }  // null for a message of no catalogue
    const std::vector<std::string>& values() const { return m_values; }

private:
    const char* m_source = nullptr;
    std::vector<std::string> m_values;
};

}  // namespace moxtal
