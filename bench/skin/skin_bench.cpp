// A page of 126 key buttons with labels and state images, as a device page
// shows a keyboard: how long building it from XML, laying it out, painting
// it whole and repainting one button (hover) take in the headless host; and
// filling a combo with as many items as a long profile list has.
// Prints a report; never a pass/fail test.

#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/program_help.h"
#include "skin/controls/combo.h"
#include "skin/controls/list.h"
#include "skin/core/dialog_builder.h"
#include "skin/core/paint_manager.h"
#include "skin/host/headless_host.h"

using namespace kelno::skin;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kKeys = 126;
constexpr int kColumns = 18;
constexpr int kRuns = 30;
constexpr int kComboItems = 30000;

void WriteKeyImage(const std::string& path) {
    // Three states side by side, 40x40 each, with rounded borders.
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 120, 40);
    cairo_t* cr = cairo_create(s);
    const double shades[3] = {0.25, 0.45, 0.15};
    for (int i = 0; i < 3; ++i) {
        cairo_set_source_rgb(cr, shades[i], shades[i], shades[i] + 0.1);
        cairo_rectangle(cr, i * 40 + 2, 2, 36, 36);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    cairo_surface_write_to_png(s, path.c_str());
    cairo_surface_destroy(s);
}

std::string PageXml() {
    std::string xml =
        "<Window size='1080,420'><Font id='0' name='Sans' size='12' default='true'/>"
        "<VerticalLayout bkcolor='#FF202020' inset='10,10,10,10' childpadding='4'>";
    for (int row = 0; row * kColumns < kKeys; ++row) {
        xml += "<HorizontalLayout height='50' childpadding='4'>";
        for (int col = 0; col < kColumns && row * kColumns + col < kKeys; ++col) {
            int n = row * kColumns + col;
            xml += "<Button name='key_" + std::to_string(n) + "' width='54' text='K" +
                   std::to_string(n) +
                   "' textcolor='#FFFFFFFF' align='center' "
                   "normalimage=\"file='key.png' source='0,0,40,40' corner='6,6,6,6'\" "
                   "hotimage=\"file='key.png' source='40,0,80,40' corner='6,6,6,6'\" "
                   "pushedimage=\"file='key.png' source='80,0,120,40' corner='6,6,6,6'\"/>";
        }
        xml += "</HorizontalLayout>";
    }
    return xml + "</VerticalLayout></Window>";
}

struct Stats {
    double median, best;
};

Stats Measure(const std::function<void()>& step) {
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        auto start = Clock::now();
        step();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front()};
}

void Report(const char* what, Stats s) {
    std::printf("  %-34s median %8.3f ms   best %8.3f ms\n", what, s.median, s.best);
}

}  // namespace

int main(int argc, char** argv) {
    if (kelno::PrintHelpIfAsked(argc, argv,
                                "usage: skin_bench\n"
                                "Reports how long a page of 126 key buttons takes to build, lay out\n"
                                "and paint in the headless host, and a long combo to fill."))
        return 0;
    auto folder = std::filesystem::temp_directory_path() / "kelno-skin-bench";
    std::filesystem::create_directories(folder);
    WriteKeyImage((folder / "key.png").string());
    CPaintManagerUI::SetResourcePath(folder.string());
    const std::string xml = PageXml();

    HeadlessHost host({1080, 420});
    CPaintManagerUI pm;
    host.SetClient(&pm);
    pm.Init(&host, "bench");

    std::printf("skin page: %d key buttons with labels and state images, %d runs each\n", kKeys,
                kRuns);
    Report("build from XML", Measure([&] {
               CDialogBuilder builder;
               delete builder.CreateFromText(xml, nullptr, &pm);
           }));

    CDialogBuilder builder;
    pm.SetRoot(builder.CreateFromText(xml, nullptr, &pm));
    std::printf("  (%zu buttons built)\n",
                pm.FindSubControlsByClass(pm.GetRoot(), "Button").size());
    Report("lay out", Measure([&] {
               pm.NeedUpdate();
               pm.UpdateLayout();
           }));
    Report("full paint", Measure([&] { host.PaintAll(); }));

    CControlUI* a = pm.FindControl("key_40");
    CControlUI* b = pm.FindControl("key_41");
    bool onA = false;
    Rect painted;
    Report("one-button repaint (hover change)", Measure([&] {
               onA = !onA;
               host.MouseMove((onA ? a : b)->GetPos().Center());
               painted = host.PaintPending();
           }));
    std::printf("  last partial repaint covered %dx%d of %dx%d pixels\n", painted.Width(),
                painted.Height(), host.ClientSize().cx, host.ClientSize().cy);
    Report("fill a combo with 30,000 items", Measure([] {
               CComboUI combo;
               for (int i = 0; i < kComboItems; ++i) {
                   auto* item = new CListLabelElementUI();
                   item->SetText("profile" + std::to_string(i));
                   combo.Add(item);
               }
           }));
    std::filesystem::remove_all(folder);
    return 0;
}
