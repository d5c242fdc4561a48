// Layout text from a file is untrusted: the XML reader and the builder that
// turns elements and attribute values into controls must stay in bounds.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "skin/core/control.h"
#include "skin/core/dialog_builder.h"
#include "skin/core/resource_manager.h"
#include "skin/core/xml_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    kelno::skin::ParseXml(text);
    kelno::skin::ParseAttributeList(text);
    kelno::skin::CDialogBuilder builder;
    delete builder.CreateFromText(text);
    kelno::skin::CResourceManager::GetInstance().LoadLanguageText(text);
    kelno::skin::CResourceManager::GetInstance().LoadResourceText(text);
    return 0;
}
