#include "skin/core/resource_manager.h"

#include <algorithm>

#include "core/debug_output.h"
#include "skin/core/attribute_values.h"
#include "skin/core/image_cache.h"
#include "skin/core/paint_manager.h"
#include "skin/core/xml_document.h"

namespace kelno::skin {
FontInfo FontFromElement(const XmlNode& node) {
    FontInfo font;
    if (const auto* v = node.Attribute("name")) font.face = *v;
    if (const auto* v = node.Attribute("size")) {
        if (auto n = ParseInt(*v); n && *n > 0) font.size = *n;
    }
    auto flag = [&](const char* name) {
        const auto* v = node.Attribute(name);
        return v && ParseBool(*v).value_or(false);
    };
    font.bold = flag("bold");
    font.underline = flag("underline");
    font.italic = flag("italic");
    return font;
}

CResourceManager& CResourceManager::GetInstance() {
    static CResourceManager instance;
    return instance;
}

void CResourceManager::Release() {
    CResourceManager& rm = GetInstance();
    rm.ResetResourceMap();
    rm.texts_.clear();
    rm.language_.clear();
    rm.query_ = nullptr;
    rm.lastError_.clear();
}

std::string CResourceManager::ResolvePath(const std::string& file) {
    // Skin files name folders with backslashes, as on Windows.
    std::string path = file;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty() || path[0] == '/') return path;
    return CPaintManagerUI::GetResourcePath() + path;
}

bool CResourceManager::LoadResource(const std::string& file) {
    return ApplyResource(ParseXmlFile(ResolvePath(file)));
}

bool CResourceManager::LoadResourceText(std::string_view xml) {
    return ApplyResource(ParseXml(xml));
}

bool CResourceManager::Refused(const XmlParseResult& parsed) {
    if (parsed.root) {
        lastError_.clear();
        return false;
    }
    lastError_ = parsed.error;
    DebugOutput("skin: " + lastError_);
    return true;
}

bool CResourceManager::ApplyResource(const XmlParseResult& parsed) {
    if (Refused(parsed)) return false;
    std::map<std::string, std::string> images, xmls;
    std::map<int, FontInfo> fonts;
    std::vector<std::pair<std::string, std::string>> styles;
    for (const XmlNode& group : parsed.root->children) {
        if (EqualsNoCase(group.name, "Style")) {
            const std::string* name = group.Attribute("name");
            const std::string* value = group.Attribute("value");
            if (name && !name->empty() && value) styles.emplace_back(*name, *value);
            continue;
        }
        for (const XmlNode& item : group.children) {
            const std::string* id = item.Attribute("id");
            if (!id || id->empty()) continue;
            const std::string* path = item.Attribute("path");
            if (EqualsNoCase(group.name, "Image") && path) {
                images[*id] = *path;
            } else if (EqualsNoCase(group.name, "Xml") && path) {
                xmls[*id] = *path;
            } else if (EqualsNoCase(group.name, "Font")) {
                if (auto n = ParseInt(*id)) fonts[*n] = FontFromElement(item);
            }
        }
    }
    images_ = std::move(images);
    xmls_ = std::move(xmls);
    fonts_ = std::move(fonts);
    for (const auto& [name, value] : styles) AddStyle(name, value);
    // Cached pictures are keyed by id: an id may now name another file.
    ImageCache::Instance().Clear();
    return true;
}

void CResourceManager::ResetResourceMap() {
    ImageCache::Instance().Clear();
    images_.clear();
    xmls_.clear();
    fonts_.clear();
    styles_.clear();
}

void CResourceManager::AddStyle(std::string_view name, std::string_view attributes) {
    if (name.empty()) return;
    styles_[ToLowerAscii(name)] = std::string(attributes);
}

const std::string* CResourceManager::GetStyle(std::string_view name) const {
    auto it = styles_.find(ToLowerAscii(name));
    return it == styles_.end() ? nullptr : &it->second;
}

std::string CResourceManager::GetImagePath(const std::string& id) const {
    auto it = images_.find(id);
    return it == images_.end() ? std::string() : it->second;
}

std::string CResourceManager::GetXmlPath(const std::string& id) const {
    auto it = xmls_.find(id);
    return it == xmls_.end() ? std::string() : it->second;
}

bool CResourceManager::LoadLanguage(const std::string& file) {
    return ApplyLanguage(ParseXmlFile(ResolvePath(file)));
}

bool CResourceManager::LoadLanguageText(std::string_view xml) {
    return ApplyLanguage(ParseXml(xml));
}

bool CResourceManager::ApplyLanguage(const XmlParseResult& parsed) {
    if (Refused(parsed)) return false;
    std::map<std::string, std::string> texts;
    for (const XmlNode& item : parsed.root->children) {
        const std::string* id = item.Attribute("id");
        if (!EqualsNoCase(item.name, "Text") || !id || id->empty()) continue;
        const std::string* value = item.Attribute("value");
        texts[*id] = value ? *value : item.text;
    }
    texts_ = std::move(texts);
    return true;
}

std::string CResourceManager::GetText(const std::string& id, const std::string& type) const {
    auto it = texts_.find(id);
    if (it != texts_.end()) return it->second;
    if (query_) {
        std::string answer = query_->QueryControlText(id, type);
        if (!answer.empty()) return answer;
    }
    return id;
}

void CResourceManager::ReloadText() {
    for (CPaintManagerUI* pm : CPaintManagerUI::GetPaintManagers()) {
        pm->NeedUpdate();
        pm->Invalidate();
    }
}

}  // namespace kelno::skin
