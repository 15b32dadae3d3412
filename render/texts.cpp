// The language of the texts and the one lookup of every text the game draws (gettext over the
// catalogues compiled from po/); the names of the picture sets and of the faces.
#include <libintl.h>
#include <locale.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unordered_map>

#include "game/pairs.h"
#include "game/text_id.h"
#include "render/render_local.h"
#include "storage/catalogue_file.h"
#include "storage/paths.h"

// glibc's count of catalogue changes: raising it drops the lookups cached for the language
// before (gettext's documented way to follow a change of LANGUAGE).
extern "C" int _nl_msg_cat_cntr;

namespace render {

namespace {

constexpr const char* kDomain = "tessary";

// TRANSLATORS: the name of your language, written in your language ("Deutsch", "日本語"); the
// language selector shows it. It is read from this catalogue when the game is built.
constexpr std::string_view kEnglishOwnName = N_("English");
static_assert(game::OwnNameOf(game::Language::english) == kEnglishOwnName);

game::Language chosenLanguage = game::Language::chinese;
game::Language currentLanguage = game::Language::chinese;
bool catalogueBound = false;  // the default language's catalogue is bound at the first lookup

struct TextHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const {
    return std::hash<std::string_view>{}(text);
  }
};
// The lookups of the current language, source to translation; a null view: untranslated.
// Cleared by SetLanguage.
std::unordered_map<std::string, std::string_view, TextHash, std::equal_to<>> lookedUp;

std::vector<std::string> pictureSetNames;  // UTF-8; empty: the game's own pictures only

// What the ten classic faces show (tools/pictures_faces.cpp draws them in this order).
constexpr std::string_view kClassicFaceNames[kFaceCount] = {
    // TRANSLATORS: the classic faces' names, shown under a face found; at most about 16
    // characters.
    N_("Apple"),  N_("Star"), N_("Fish"),   N_("Blossom"), N_("Cat"),
    N_("Clover"), N_("Moon"), N_("Grapes"), N_("Penguin"), N_("Rocket")};

bool IsPlainLocale(const char* name) {
  return name == nullptr || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0;
}

// The messages' locale from the environment; glibc ignores LANGUAGE under the plain "C" locale,
// so a system without the user's locale (or none set) gets C.UTF-8. Only LC_MESSAGES: the
// characters' locale stays "C" (Xlib would otherwise type the window's name as "UTF-8", which
// tools cannot read), and the catalogues are bound to UTF-8 output anyway; numbers stay in "C",
// so the settings are read the same everywhere.
void UseMessagesLocale() {
  static const bool done = [] {
    if (IsPlainLocale(::setlocale(LC_MESSAGES, ""))) ::setlocale(LC_MESSAGES, "C.UTF-8");
    ::bind_textdomain_codeset(kDomain, "UTF-8");
    return true;
  }();
  (void)done;
}

// Points gettext at language's catalogue; false, after one line on stderr, when it cannot be.
bool BindCatalogue(game::Language language) {
  const std::string code(game::CatalogueCodeOf(language));
  const std::string path = storage::CataloguePath(code);
  std::string problem;
  if (!storage::CheckCatalogue(path, problem)) {
    std::fprintf(stderr, "tessary: %s; the texts stay in English\n", problem.c_str());
    ::setenv("LANGUAGE", "en", 1);
    return false;
  }
  ::bindtextdomain(kDomain, storage::LocaleFolder().c_str());
  ::setenv("LANGUAGE", code.c_str(), 1);
  ++_nl_msg_cat_cntr;
  // A loaded catalogue translates the empty text into its header.
  const char* const header = "";
  if (*::dgettext(kDomain, header) == '\0') {
    std::fprintf(stderr, "tessary: %s: not loaded by gettext; the texts stay in English\n",
                 path.c_str());
    return false;
  }
  return true;
}

}  // namespace

void SetLanguage(game::Language language) {
  chosenLanguage = language;
  catalogueBound = true;
  lookedUp.clear();
  // LANGUAGE always names the language gettext looks up; main puts it into the environment
  // before any thread, so this only replaces its value, never grows the environment under a
  // getenv.
  UseMessagesLocale();
  if (language == game::Language::english) ::setenv("LANGUAGE", "en", 1);
  const bool translated = language != game::Language::english && BindCatalogue(language);
  currentLanguage = translated ? language : game::Language::english;
}

game::Language CurrentLanguage() {
  if (!catalogueBound) SetLanguage(chosenLanguage);
  return currentLanguage;
}

std::string_view Tr(std::string_view source) {
  if (CurrentLanguage() == game::Language::english || source.empty()) return source;
  auto found = lookedUp.find(source);
  if (found == lookedUp.end()) {
    std::string key(source);
    const char* text = ::dgettext(kDomain, key.c_str());
    const std::string_view translation = text == key.c_str() ? std::string_view() : text;
    found = lookedUp.emplace(std::move(key), translation).first;
  }
  return found->second.data() != nullptr ? found->second : source;
}

std::string_view Trn(std::string_view singular, std::string_view plural, unsigned long n) {
  if (CurrentLanguage() == game::Language::english) return n == 1 ? singular : plural;
  const std::string one(singular), many(plural);
  const char* text = ::dngettext(kDomain, one.c_str(), many.c_str(), n);
  if (text == one.c_str()) return singular;
  if (text == many.c_str()) return plural;
  return text;
}

std::string_view NewRecordFormat(int place) {
  const int lastTwo = place % 100;
  if (lastTwo < 11 || lastTwo > 13) {
    // TRANSLATORS: the four forms of one message, by the English ordinal's ending (1st, 2nd,
    // 3rd, 4th); a language without such endings translates all four alike.
    if (place % 10 == 1) return N_("New record: %dst");
    if (place % 10 == 2) return N_("New record: %dnd");
    if (place % 10 == 3) return N_("New record: %drd");
  }
  return N_("New record: %dth");
}

void SetPictureSetNames(const std::vector<std::string>& names) { pictureSetNames = names; }

const std::vector<std::string>& PictureSetNames() { return pictureSetNames; }

namespace {

// The name of the set's picture `picture`: its word when asked for and it is a word card, else
// its name in the language, else its file's name.
std::string SetPictureName(int picture, bool word) {
  const Assets& assets = TheAssets();
  if (picture < 0 || static_cast<std::size_t>(picture) >= assets.setFaces.size()) return {};
  const storage::FaceImage& image = assets.setFaces[static_cast<std::size_t>(picture)];
  const std::string_view language = game::CatalogueCodeOf(CurrentLanguage());
  if (const std::string& said = image.word.In(language); word && !said.empty()) return said;
  const std::string& named = image.name.In(language);
  if (!named.empty()) return named;
  // A photo is named by its file; a package's face by its entry ("path:box3.jpg").
  std::string source = image.source;
  if (const std::size_t colon = source.rfind(':'); colon != std::string::npos &&
                                                   source.find('/', colon) == std::string::npos)
    source.erase(0, colon + 1);
  return std::filesystem::path(source).stem().string();
}

}  // namespace

std::string FaceName(const game::GameState& state, int face) {
  if (face < 0 || face >= kFaceCount) return {};
  if (!state.shuffledFaces || TheAssets().setFaces.empty())
    return std::string(Tr(kClassicFaceNames[face]));
  // A two-kind deck's face is named by its first card, which says its word.
  return SetPictureName(state.facePicture[face] * (state.twoKindCards ? 2 : 1), true);
}

std::string BoxName(const game::GameState& state, int box) {
  if (box < 0 || box >= game::kBoxCapacity) return {};
  const int face = state.boxes[box].face;
  if (face < 0 || face >= kFaceCount) return {};
  if (!state.shuffledFaces || TheAssets().setFaces.empty())
    return std::string(Tr(kClassicFaceNames[face]));
  return SetPictureName(game::CardPicture(state, box), true);
}

}  // namespace render
