// Layout text from a file is untrusted: the XML reader, the builder that
// turns elements and attribute values into controls, and the layout, paint
// and input code that then runs over those controls must stay in bounds.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "skin/core/control.h"
#include "skin/core/dialog_builder.h"
#include "skin/core/paint_manager.h"
#include "skin/core/resource_manager.h"
#include "skin/core/xml_document.h"
#include "skin/host/headless_host.h"

using namespace kelno::skin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    // Styles are program-wide and only ever added by layouts: start each
    // input without the previous inputs' styles.
    CResourceManager::Release();
    ParseXml(text);
    ParseAttributeList(text);
    CResourceManager::GetInstance().LoadLanguageText(text);
    CResourceManager::GetInstance().LoadResourceText(text);

    HeadlessHost host({64, 48});
    CPaintManagerUI pm;
    host.SetClient(&pm);
    pm.Init(&host);
    CDialogBuilder builder;
    if (CControlUI* root = builder.CreateFromText(text, nullptr, &pm)) {
        pm.SetRoot(root);
        host.PaintAll();
        host.Click({32, 24});
        host.Wheel({32, 24}, -1);
        host.PressKey(keys::kTab);
        host.TypeText("a\xC3\xA9");
        host.AdvanceTime(1000);
        host.PaintPending();
    }
    return 0;
}
