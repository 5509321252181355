// Fuzzes the readers of main.cfg and pattern.cfg: any bytes read without harm, and what the
// writers write of the values read reads back the same.
#include <algorithm>
#include <cstdint>
#include <string>

#include "core/settings_format.h"
#include "core/text_lines.h"

using namespace moxtal;

namespace {

void cut(std::vector<std::string>& items)
{
    if (items.size() > kStoredHistoryItems)
        items.resize(kStoredHistoryItems);
}

bool same(const WindowBounds& a, const WindowBounds& b)
{
    return a.top == b.top && a.left == b.left && a.width == b.width && a.height == b.height;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    MainSettings values = readMainCfg(text).values;
    const MainCfgRead again = readMainCfg(writeMainCfg(values));
    if (!again.error.empty() || again.reached != MainCfgField::End)
        __builtin_trap();
    for (auto* items : {&values.patternHistory, &values.replacementHistory, &values.clipPatternHistory,
                        &values.clipReplacementHistory})
        cut(*items);
    const MainSettings& v = again.values;
    if (!same(v.main, values.main) || v.pattern != values.pattern || v.replacement != values.replacement ||
        v.filter != values.filter || v.folder != values.folder || v.patternHistory != values.patternHistory ||
        v.replacementHistory != values.replacementHistory || v.fileListWidth != values.fileListWidth ||
        !same(v.report, values.report) || v.clipPatternHistory != values.clipPatternHistory ||
        v.clipReplacementHistory != values.clipReplacementHistory || !same(v.clip, values.clip))
        __builtin_trap();

    PresetStore store = linesOf(text);
    if (linesOf(writePresetStore(store)) != store)
        __builtin_trap();
    const std::size_t count = presetCount(store);
    for (std::size_t n = 0; n <= count; ++n)
        (void)presetAt(store, n);
    registerPreset(store, {"c", "p", "r"});
    if (store.size() % 3 != 0)
        __builtin_trap();
    return 0;
}
