#pragma once
// CResourceManager: the program-wide skin resources. "res.xml" maps
// resource ids to files (images, layouts) and may declare fonts; a language
// file maps text ids to the texts shown. Controls resolve their text ids
// through GetText, so ReloadText only has to lay out and repaint.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "skin/core/font_info.h"

namespace kelno::skin {

struct XmlNode;
struct XmlParseResult;

// A font from a <Font> element of a layout or an <Item> of res.xml's <Font>
// group: name, size, bold, underline, italic.
FontInfo FontFromElement(const XmlNode& node);

// Asked for a text id the language file does not hold.
class IQueryControlText {
  public:
    virtual ~IQueryControlText() = default;
    // Empty when it has no text either.
    virtual std::string QueryControlText(const std::string& id, const std::string& type) = 0;
};

class CResourceManager {
  public:
    static CResourceManager& GetInstance();
    // Forgets every resource, language text and query interface.
    static void Release();

    // Reads a res.xml (file name resolved against the resource path, or an
    // absolute path). On failure nothing changes and GetLastError says why.
    bool LoadResource(const std::string& file);
    bool LoadResourceText(std::string_view xml);
    void ResetResourceMap();
    // The file of a resource id: the res.xml path when the id is listed,
    // otherwise "" (callers then treat the name as a file name).
    std::string GetImagePath(const std::string& id) const;
    std::string GetXmlPath(const std::string& id) const;
    // Fonts declared in res.xml, by id (added to every manager that builds
    // a layout).
    const std::map<int, FontInfo>& GetFonts() const { return fonts_; }

    // Named styles: attribute lists a control takes with style="name",
    // declared by <Style name value/> in res.xml or in any layout. Names are
    // program-wide and compared without regard to case; a later declaration
    // replaces an earlier one. ResetResourceMap forgets them.
    void AddStyle(std::string_view name, std::string_view attributes);
    // The attribute list of a style; null when no style has the name.
    const std::string* GetStyle(std::string_view name) const;

    void SetLanguage(const std::string& name) { language_ = name; }
    const std::string& GetLanguage() const { return language_; }
    // Replaces the language table with a language file's texts. On failure
    // the previous table stays and false is returned.
    bool LoadLanguage(const std::string& file);
    bool LoadLanguageText(std::string_view xml);
    // The text of `id`: language table, then the query interface, else the
    // id itself (so a missing translation shows its id, never nothing).
    std::string GetText(const std::string& id, const std::string& type = {}) const;
    bool HasText(const std::string& id) const { return texts_.count(id) != 0; }
    void SetTextQueryInterface(IQueryControlText* query) { query_ = query; }
    // Re-applies the texts of every control of every paint manager.
    void ReloadText();

    const std::string& GetLastError() const { return lastError_; }
    // Resolves a file name against the resource path (absolute paths stay);
    // backslashes are folder separators.
    static std::string ResolvePath(const std::string& file);

  private:
    CResourceManager() = default;
    // False (and the error kept) when the file parsed; true when refused.
    bool Refused(const XmlParseResult& parsed);
    bool ApplyResource(const XmlParseResult& parsed);
    bool ApplyLanguage(const XmlParseResult& parsed);

    std::map<std::string, std::string> images_;
    std::map<std::string, std::string> xmls_;
    std::map<int, FontInfo> fonts_;
    std::map<std::string, std::string> styles_;  // lower-case names
    std::map<std::string, std::string> texts_;
    std::string language_;
    IQueryControlText* query_ = nullptr;
    std::string lastError_;
};

}  // namespace kelno::skin
