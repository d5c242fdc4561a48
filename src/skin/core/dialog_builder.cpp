#include "skin/core/dialog_builder.h"

#include "core/debug_output.h"
#include "skin/controls/button.h"
#include "skin/controls/color_palette.h"
#include "skin/controls/combo.h"
#include "skin/controls/edit.h"
#include "skin/controls/list.h"
#include "skin/controls/progress.h"
#include "skin/controls/scrollbar.h"
#include "skin/core/attribute_values.h"
#include "skin/core/container.h"
#include "skin/core/paint_manager.h"
#include "skin/core/resource_manager.h"
#include "skin/core/xml_document.h"
#include "skin/layout/layouts.h"

namespace kelno::skin {
namespace {

// <Include> may nest, but a file that includes itself must not recurse
// without end.
constexpr int kMaxIncludeDepth = 8;

template <typename T>
CControlFactory::Creator Make() {
    return [] { return static_cast<CControlUI*>(new T); };
}

// <Style name value/> declares a named style wherever it stands: among a
// window's resources or between the controls of a container, before the
// controls that use it.
bool DeclareStyle(const XmlNode& node) {
    if (!EqualsNoCase(node.name, "Style")) return false;
    const std::string* name = node.Attribute("name");
    const std::string* value = node.Attribute("value");
    if (name && value) {
        CResourceManager::GetInstance().AddStyle(*name, *value);
    } else {
        DebugOutput("skin: <Style> without name or value");
    }
    return true;
}

std::string LayoutPath(const std::string& xml) {
    std::string file = CResourceManager::GetInstance().GetXmlPath(xml);
    return CResourceManager::ResolvePath(file.empty() ? xml : file);
}

}  // namespace

CControlFactory::CControlFactory() {
    RegisterControl("Control", Make<CControlUI>());
    RegisterControl("Container", Make<CContainerUI>());
    RegisterControl("HorizontalLayout", Make<CHorizontalLayoutUI>());
    RegisterControl("VerticalLayout", Make<CVerticalLayoutUI>());
    RegisterControl("TabLayout", Make<CTabLayoutUI>());
    RegisterControl("Label", Make<CLabelUI>());
    RegisterControl("Text", Make<CTextUI>());
    RegisterControl("Button", Make<CButtonUI>());
    RegisterControl("Option", Make<COptionUI>());
    RegisterControl("CheckBox", Make<CCheckBoxUI>());
    RegisterControl("Edit", Make<CEditUI>());
    RegisterControl("RichEdit", Make<CRichEditUI>());
    RegisterControl("Progress", Make<CProgressUI>());
    RegisterControl("Slider", Make<CSliderUI>());
    RegisterControl("ScrollBar", Make<CScrollBarUI>());
    RegisterControl("Combo", Make<CComboUI>());
    RegisterControl("List", Make<CListUI>());
    RegisterControl("ListHeader", Make<CListHeaderUI>());
    RegisterControl("ListHeaderItem", Make<CListHeaderItemUI>());
    RegisterControl("ListLabelElement", Make<CListLabelElementUI>());
    RegisterControl("ListTextElement", Make<CListTextElementUI>());
    RegisterControl("ListContainerElement", Make<CListContainerElementUI>());
    RegisterControl("ColorPalette", Make<CColorPaletteUI>());
}

CControlFactory& CControlFactory::GetInstance() {
    static CControlFactory factory;
    return factory;
}

void CControlFactory::RegisterControl(const std::string& name, Creator creator) {
    creators_[ToLowerAscii(name)] = std::move(creator);
}

CControlUI* CControlFactory::CreateControl(std::string_view name) const {
    auto it = creators_.find(ToLowerAscii(name));
    return it == creators_.end() ? nullptr : it->second();
}

CControlUI* CDialogBuilder::Create(const std::string& xml, IDialogBuilderCallback* callback,
                                   CPaintManagerUI* manager, CControlUI* parent) {
    return BuildParsed(ParseXmlFile(LayoutPath(xml)), callback, manager, parent);
}

CControlUI* CDialogBuilder::CreateFromText(std::string_view text, IDialogBuilderCallback* callback,
                                           CPaintManagerUI* manager, CControlUI* parent) {
    return BuildParsed(ParseXml(text), callback, manager, parent);
}

CControlUI* CDialogBuilder::BuildParsed(const XmlParseResult& parsed,
                                        IDialogBuilderCallback* callback, CPaintManagerUI* manager,
                                        CControlUI* parent) {
    if (!parsed.root) {
        lastError_ = parsed.error;
        DebugOutput("skin: " + lastError_);
        return nullptr;
    }
    lastError_.clear();
    return Build(*parsed.root, callback, manager, parent, 0);
}

void CDialogBuilder::ApplyWindowElement(const XmlNode& node, CPaintManagerUI* manager) {
    for (const auto& [name, value] : node.attributes) {
        if (name == "size") {
            if (auto s = ParseSize(value)) manager->SetInitSize(*s);
        } else if (name == "caption") {
            if (auto rc = ParseRect(value)) manager->SetCaptionRect(*rc);
        } else if (name == "sizebox") {
            if (auto rc = ParseRect(value)) manager->SetSizeBox(*rc);
        } else if (name == "mininfo") {
            if (auto s = ParseSize(value)) manager->SetMinInfo(*s);
        } else if (name == "maxinfo") {
            if (auto s = ParseSize(value)) manager->SetMaxInfo(*s);
        } else if (name == "roundcorner") {
            if (auto s = ParseSize(value)) manager->SetRoundCorner(*s);
        } else {
            manager->SetWindowAttribute(name, value);
        }
    }
}

CControlUI* CDialogBuilder::Build(const XmlNode& root, IDialogBuilderCallback* callback,
                                  CPaintManagerUI* manager, CControlUI* parent, int includeDepth) {
    if (manager) {
        for (const auto& [id, font] : CResourceManager::GetInstance().GetFonts()) {
            if (!manager->HasFont(id)) manager->AddFont(id, font);
        }
    }
    if (!EqualsNoCase(root.name, "Window"))
        return Parse(root, callback, manager, parent, includeDepth);
    if (manager) ApplyWindowElement(root, manager);
    // Resource elements first, so controls find fonts, defaults and styles.
    for (const XmlNode& child : root.children) {
        if (DeclareStyle(child) || !manager) continue;
        if (EqualsNoCase(child.name, "Font")) {
            FontInfo font = FontFromElement(child);
            const std::string* id = child.Attribute("id");
            const std::string* isDefault = child.Attribute("default");
            const std::string* shared = child.Attribute("shared");
            bool sharedFont = shared && ParseBool(*shared).value_or(false);
            if (id) {
                if (auto n = ParseInt(*id)) manager->AddFont(*n, font, sharedFont);
            }
            if (isDefault && ParseBool(*isDefault).value_or(false))
                manager->SetDefaultFont(font, sharedFont);
        } else if (EqualsNoCase(child.name, "Default")) {
            const std::string* name = child.Attribute("name");
            const std::string* value = child.Attribute("value");
            if (name && value) manager->AddDefaultAttributeList(*name, *value);
        }
    }
    CControlUI* first = nullptr;
    for (const XmlNode& child : root.children) {
        if (EqualsNoCase(child.name, "Font") || EqualsNoCase(child.name, "Default") ||
            EqualsNoCase(child.name, "Image") || EqualsNoCase(child.name, "Style"))
            continue;
        CControlUI* control = Parse(child, callback, manager, parent, includeDepth);
        if (!first) first = control;
        if (!parent && control) break;  // a window has one root control
    }
    return first;
}

CControlUI* CDialogBuilder::Parse(const XmlNode& node, IDialogBuilderCallback* callback,
                                  CPaintManagerUI* manager, CControlUI* parent, int includeDepth) {
    CControlUI* control = nullptr;
    if (EqualsNoCase(node.name, "Include")) {
        const std::string* source = node.Attribute("source");
        if (!source || includeDepth >= kMaxIncludeDepth) {
            DebugOutput("skin: <Include> without source or nested too deeply");
            return nullptr;
        }
        XmlParseResult parsed = ParseXmlFile(LayoutPath(*source));
        if (!parsed.root) {
            DebugOutput("skin: " + parsed.error);
            return nullptr;
        }
        return Build(*parsed.root, callback, manager, parent, includeDepth + 1);
    }
    if (DeclareStyle(node)) return nullptr;
    control = CControlFactory::GetInstance().CreateControl(node.name);
    if (!control && callback) control = callback->CreateControl(node.name);
    if (!control) {
        DebugOutput("skin: unknown element <" + node.name + "> skipped");
        return nullptr;
    }
    // Defaults of the element name first, then its style, then the
    // element's own values, wherever the style attribute stands.
    if (manager) {
        std::string defaults = manager->GetDefaultAttributeList(node.name);
        if (!defaults.empty()) control->ApplyAttributeList(defaults);
    }
    if (const std::string* style = node.Attribute("style")) control->SetAttribute("style", *style);
    for (const auto& [name, value] : node.attributes) {
        if (name != "style") control->SetAttribute(name, value);
    }

    if (!node.children.empty()) {
        auto* container = static_cast<CContainerUI*>(control->GetInterface("Container"));
        for (const XmlNode& child : node.children) {
            if (!container) {
                DebugOutput("skin: <" + node.name + "> cannot hold <" + child.name + ">");
                break;
            }
            Parse(child, callback, manager, container, includeDepth);
        }
    }
    if (parent) {
        auto* container = static_cast<CContainerUI*>(parent->GetInterface("Container"));
        if (!container || !container->Add(control)) {
            delete control;
            return nullptr;
        }
    }
    return control;
}

}  // namespace kelno::skin
