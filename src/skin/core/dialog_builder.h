#pragma once
// CDialogBuilder turns a layout file into a control tree. Element names are
// compared without regard to case; the library's own names and those
// registered with CControlFactory come first, every other name is asked of
// the IDialogBuilderCallback (which may itself build from another layout
// file). Unknown elements are skipped with a debug line; a file that is not
// well-formed XML builds nothing and GetLastError says where it failed.

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace kelno::skin {

class CControlUI;
class CPaintManagerUI;
struct XmlNode;
struct XmlParseResult;

class IDialogBuilderCallback {
  public:
    virtual ~IDialogBuilderCallback() = default;
    // A new control for `className`, or nullptr when the name is unknown.
    virtual CControlUI* CreateControl(const std::string& className) = 0;
};

// Program-wide registry of element names to control constructors.
class CControlFactory {
  public:
    using Creator = std::function<CControlUI*()>;
    static CControlFactory& GetInstance();
    // Replaces an earlier registration of the same name.
    void RegisterControl(const std::string& name, Creator creator);
    CControlUI* CreateControl(std::string_view name) const;

  private:
    CControlFactory();
    std::map<std::string, Creator> creators_;  // lower-case names
};

class CDialogBuilder {
  public:
    // `xml` is a res.xml id or a file name (resource path) or an absolute
    // path. With a manager, <Window>, <Font> and <Default> apply to it and
    // the tree is ready to be its root. With `parent`, the top controls
    // are added to it and the first is returned.
    CControlUI* Create(const std::string& xml, IDialogBuilderCallback* callback = nullptr,
                       CPaintManagerUI* manager = nullptr, CControlUI* parent = nullptr);
    // The same from layout text in memory.
    CControlUI* CreateFromText(std::string_view text, IDialogBuilderCallback* callback = nullptr,
                               CPaintManagerUI* manager = nullptr, CControlUI* parent = nullptr);
    const std::string& GetLastError() const { return lastError_; }

  private:
    CControlUI* BuildParsed(const XmlParseResult& parsed, IDialogBuilderCallback* callback,
                            CPaintManagerUI* manager, CControlUI* parent);
    CControlUI* Build(const XmlNode& root, IDialogBuilderCallback* callback,
                      CPaintManagerUI* manager, CControlUI* parent, int includeDepth);
    CControlUI* Parse(const XmlNode& node, IDialogBuilderCallback* callback,
                      CPaintManagerUI* manager, CControlUI* parent, int includeDepth);
    void ApplyWindowElement(const XmlNode& node, CPaintManagerUI* manager);

    std::string lastError_;
};

}  // namespace kelno::skin
