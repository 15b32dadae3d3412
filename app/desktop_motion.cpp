#include "app/desktop_motion.h"

#include <gio/gio.h>

namespace app {

std::optional<bool> DesktopWantsLessMotion() {
  // Looked up first: g_settings_new on a schema that is not installed aborts the process.
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (source == nullptr) return std::nullopt;
  GSettingsSchema* schema =
      g_settings_schema_source_lookup(source, "org.gnome.desktop.interface", TRUE);
  if (schema == nullptr) return std::nullopt;
  std::optional<bool> lessMotion;
  if (g_settings_schema_has_key(schema, "enable-animations")) {
    GSettings* settings = g_settings_new_full(schema, nullptr, nullptr);
    lessMotion = !g_settings_get_boolean(settings, "enable-animations");
    g_object_unref(settings);
  }
  g_settings_schema_unref(schema);
  return lessMotion;
}

}  // namespace app
