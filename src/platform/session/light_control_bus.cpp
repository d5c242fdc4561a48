#include "platform/session/light_control_bus.h"

namespace kelno {

LightControlBus::LightControlBus(std::shared_ptr<DbusSignalConnection> connection,
                                 RequestHandler onRequest)
    : connection_(std::move(connection)) {
    if (!connection_) return;
    connection_->Subscribe(nullptr, kInterface, "Request", nullptr,
                           [onRequest = std::move(onRequest)](GVariant* parameters) {
                               if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(uu)"))) return;
                               guint32 wParam = 0;
                               guint32 lParam = 0;
                               g_variant_get(parameters, "(uu)", &wParam, &lParam);
                               if (onRequest) onRequest(wParam, lParam);
                           });
}

bool LightControlBus::Announce(uint32_t wParam, uint32_t lParam) {
    if (!connection_) return false;
    return connection_->Emit(kObjectPath, kInterface, "Announce",
                             g_variant_new("(uu)", wParam, lParam));
}

SleepMonitor::SleepMonitor(std::shared_ptr<DbusSignalConnection> systemBus, SleepHandler onSleep)
    : connection_(std::move(systemBus)) {
    if (!connection_) return;
    connection_->Subscribe("org.freedesktop.login1", "org.freedesktop.login1.Manager",
                           "PrepareForSleep", "/org/freedesktop/login1",
                           [onSleep = std::move(onSleep)](GVariant* parameters) {
                               if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(b)"))) return;
                               gboolean suspending = FALSE;
                               g_variant_get(parameters, "(b)", &suspending);
                               if (onSleep) onSleep(suspending != FALSE);
                           });
}

}  // namespace kelno
