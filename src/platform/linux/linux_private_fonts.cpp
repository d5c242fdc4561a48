#include <fontconfig/fontconfig.h>

#include "core/debug_output.h"
#include "platform/session/private_fonts.h"

namespace kelno {

PrivateFonts::PrivateFonts(const std::filesystem::path& fontFolder,
                           const std::vector<std::string>& fileNames) {
    for (const std::string& name : fileNames) {
        const std::filesystem::path file = fontFolder / name;
        std::error_code error;
        if (!std::filesystem::is_regular_file(file, error)) continue;
        // fontconfig accepts any file here; only a file it can scan as a
        // font counts as loaded.
        FcFontSet* scanned = FcFontSetCreate();
        FcStrSet* subdirs = FcStrSetCreate();
        const bool isFont =
            FcFileScan(scanned, subdirs, nullptr, nullptr,
                       reinterpret_cast<const FcChar8*>(file.c_str()), FcFalse) &&
            scanned->nfont > 0;
        FcStrSetDestroy(subdirs);
        FcFontSetDestroy(scanned);
        if (isFont && FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(file.c_str()))) {
            loaded_.push_back(file);
        } else {
            DebugOutputF("font skipped: %s", file.c_str());
        }
    }
}

PrivateFonts::~PrivateFonts() {
    if (!loaded_.empty()) FcConfigAppFontClear(nullptr);
}

}  // namespace kelno
