#include "app/narrator.h"

#include <gio/gio.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

namespace app {

void Narrator::OnFrame(game::GameState& state) {
  const std::vector<SpeechEvent> events = announcer_.Observe(state);
  const bool on = state.speechOn;
  // Where the highlight went is heard at once, before the words come.
  if (on && announcer_.MovedToBox()) {
    state.placeTick = static_cast<int16_t>(*announcer_.MovedToBox());
    game::RequestSound(state, game::SoundRequest::playPlace);
  }
  // The frame that switches speech off still says so.
  if ((on || wasOn_) && !events.empty()) Say(LinesOf(events));
  wasOn_ = on;
}

void Narrator::OnRequest(const game::GameState& state, SpeechRequest request) {
  if (!state.speechOn) return;
  if (const auto event = announcer_.Answer(state, request)) Say(LinesOf({*event}));
}

void Narrator::SetLanguage(game::Language language) {
  language_ = SpeechLanguageOf(game::CatalogueCodeOf(language));
  if (speech_) speech_->SetLanguage(language_);
}

void Narrator::Say(const std::vector<SpokenLine>& lines) {
  if (!speech_) {
    speech_ = std::make_unique<Speech>(makeBackend_());
    speech_->SetLanguage(language_);
  }
  for (const SpokenLine& line : lines) speech_->Say(line.text, line.urgency);
}

bool ScreenReaderOn() {
  // The setting belongs to a desktop session, which has a session bus. Without one GSettings
  // could start a bus of its own (D-Bus autolaunch) just to watch the value.
  const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat socket {};
  if ((bus == nullptr || *bus == '\0') &&
      (runtime == nullptr || ::stat((std::string(runtime) + "/bus").c_str(), &socket) != 0))
    return false;
  // Looked up first: g_settings_new aborts the process on a schema that is not installed.
  constexpr const char* kSchema = "org.gnome.desktop.a11y.applications";
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (source == nullptr) return false;
  GSettingsSchema* schema = g_settings_schema_source_lookup(source, kSchema, TRUE);
  if (schema == nullptr) return false;
  const bool hasKey = g_settings_schema_has_key(schema, "screen-reader-enabled");
  g_settings_schema_unref(schema);
  if (!hasKey) return false;
  GSettings* settings = g_settings_new(kSchema);
  const bool on = g_settings_get_boolean(settings, "screen-reader-enabled");
  g_object_unref(settings);
  return on;
}

}  // namespace app
