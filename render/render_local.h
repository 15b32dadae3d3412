// Inside the render folder (and its GL tests): textures and display lists, the scenes, the bitmap
// text. Everything runs on the UI thread with the GL context current.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "game/choices.h"
#include "game/game_state.h"
#include "game/level.h"
#include "game/menu.h"
#include "game/picture_fit.h"
#include "render/render.h"
#include "storage/formats.h"
#include "storage/photo_faces.h"
#include "storage/picture_package.h"

struct FT_Bitmap_;  // FreeType's rendered glyph

namespace render {

// Display lists, compiled once by LoadAssets with these fixed numbers; the only way scenes draw
// pictures. List 35 is never compiled.
enum DisplayList : unsigned {
  LIST_MENU_BACKGROUND = 1,
  LIST_STAR = 2,
  LIST_TITLE = 3,
  LIST_EASY = 4,
  LIST_EASY_HOVER = 5,
  LIST_NORMAL = 6,
  LIST_NORMAL_HOVER = 7,
  LIST_HARD = 8,
  LIST_HARD_HOVER = 9,
  LIST_README = 10,
  LIST_README_HOVER = 11,
  LIST_OUT = 12,
  LIST_OUT_HOVER = 13,
  LIST_ABOUT = 14,
  LIST_ABOUT_HOVER = 15,
  LIST_SOUND_ON = 16,
  LIST_SOUND_OFF = 17,
  LIST_MUSIC_ON = 18,
  LIST_MUSIC_OFF = 19,
  LIST_BACK = 20,
  LIST_BACK_HOVER = 21,
  LIST_HIDDEN_PICTURE = 22,
  LIST_README_PICTURE = 23,
  LIST_BOARD_BACKGROUND = 24,
  LIST_FACE_FIRST = 25,  // face f is list 25 + f, f = 0..9
  LIST_UNUSED = 35,
  LIST_BOX = 36,
  LIST_BOX_OUTLINE = 37,
  LIST_FPS_ON = 38,
  LIST_FPS_OFF = 39,
  // Compiled only when the package holds the optional pictures.
  LIST_SELECTOR = 40,
  LIST_SELECTOR_HOVER = 41,
  LIST_README_BLANK = 42,  // the help page without its words
  // On a board of two-kind cards, face f's second card is list 50 + f; compiled on such boards.
  LIST_FACE_SECOND_FIRST = 50,
};
// A picture with its label baked in may have a label-less twin in the package: list L's twin is
// list kBlankListOffset + L, compiled only when the package has it.
inline constexpr unsigned kBlankListOffset = 100;
// The table's texture a picture's list draws: list - 1, but the switch of vertical sync's two.
constexpr int TextureOfList(unsigned list) {
  return list == LIST_FPS_ON ? 35 : list == LIST_FPS_OFF ? 36 : static_cast<int>(list) - 1;
}
constexpr unsigned ListOfTexture(int texture) {
  return texture == 35   ? LIST_FPS_ON
         : texture == 36 ? LIST_FPS_OFF
                         : static_cast<unsigned>(texture) + 1;
}
// The back button's quad.
inline constexpr float kBackHalfWidth = 0.5f;
inline constexpr float kBackHalfHeight = 0.14f;
// Texture slots: the table's, the optional pictures', then the label-less twins of the table's.
inline constexpr int kPictureSlots = storage::kTextureCount + storage::kOptionalPictureCount +
                                     storage::kTextureCount;
inline constexpr int kFaceCount = 10;
// A menu selector's quad (the picture "selector.jpg" keeps this 3.5 : 1 shape).
inline constexpr float kSelectorHalfWidth = game::kPanelHalfWidth;
inline constexpr float kSelectorHalfHeight = game::kPanelHalfHeight;

// One mipmap level of a texture, RGB, tightly packed.
struct TextureLevel {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

// The change to the sharper pictures under way: they are decoded and their mipmaps made on a
// thread of its own, then uploaded on the UI thread a few a frame.
struct PictureChange {
  std::atomic<bool> decoded = false;  // pictures is complete (release by the worker)
  // Per slot (the table, then the optional ones) the picture with its mipmaps made; all empty
  // when the package could not be used.
  std::vector<std::vector<TextureLevel>> pictures;
  int nextSlot = 0;                          // the next to upload (UI thread)
  std::jthread worker;                       // last: joined before the rest goes
};

// The textures and the working records of the picture load. Lives as long as the GL context.
struct Assets {
  unsigned textures[storage::kTextureCount] = {};
  unsigned logoTexture = 0;
  unsigned optionalTextures[storage::kOptionalPictureCount] = {};  // 0: not in the package
  unsigned blankTextures[storage::kTextureCount] = {};  // label-less twins; 0: not in the package
  storage::PackageEntry packageEntry;
  storage::DecodedImage decodedImage;
  bool loaded = false;  // every texture made and every list compiled
  // The chosen picture set's faces; empty for the classic ones (textures 24..33).
  std::vector<unsigned> setTextures;
  unsigned faceListTextures[kFaceCount] = {};  // what face list f binds now
  unsigned secondListTextures[kFaceCount] = {};  // what second-card list f binds now
  // The pixels behind setTextures, kept to upload again at the other size; sharperSetFaces is
  // empty, or as many at twice the size. Replaced by UsePictureSetFaces.
  std::vector<storage::FaceImage> setFaces;
  std::vector<storage::FaceImage> sharperSetFaces;

  // The pictures' size, lives for the run.
  std::shared_ptr<PictureChange> pictureChange;  // a change under way, else null
  std::string packagePath;               // what LoadAssets read
  // Per slot, the levels a texture had before it took the sharper picture: going back puts
  // them back as they were, at once.
  std::vector<TextureLevel> keptLevels[kPictureSlots];
  int pictureWidths[kPictureSlots] = {};  // as loaded
  int pictureHeights[kPictureSlots] = {};
  bool highResolutionWanted = false;     // the last wish; applied by LoadAssets when it comes first
  bool highResolution = false;           // the textures hold the sharper pictures, mipmapped
  bool highResolutionUnusable = false;   // the sharper package failed once: not tried again
};

// The process-wide record behind the public calls.
Assets& TheAssets();

// Makes the 37 textures of the package at packagePath (stored spelling) through stagingPixels,
// then compiles the display lists. Returns true at once when already loaded. On an entry that
// cannot be read or decoded, or a picture larger than 800 x 600: clears `running` and returns
// false (storage has named the file and entry on stderr); textures made so far stay.
bool LoadAssets(game::GameState& state, Assets& assets, storage::StagingPixels& stagingPixels,
                std::string_view packagePath = storage::kPackagePath);

// Uploads the pictures of the high-resolution package at highResolutionPath (stored spelling)
// into the same texture names (use), or puts back the pictures they held (not use), with the
// chosen set's faces alike; only on a change, and once loaded; waits for all of it (tests and
// benchmarks: the game follows the size frame by frame). The display lists stay valid.
// A sharper package that is missing, broken or drawn from other pictures is one line on
// stderr, once for the run: the textures keep the pictures they hold.
void UseHighResolutionPictures(Assets& assets, bool use, std::string_view highResolutionPath);

// Brings the textures towards the size UseHighResolutionPictures last asked for: to the sharper
// pictures, starts the decoding on a thread and once it is done uploads a few pictures a frame
// (all of them with wait, which first waits for the decoding); back, at once. Called once a
// frame, UI thread.
void FollowPictureSize(Assets& assets, std::string_view highResolutionPath, bool wait);
// The same with the data's data/game-2x.px.
void FollowPictureSize(Assets& assets);

// Uploads an RGB picture, bottom row first, into texture with GLU's mipmaps, minified linearly
// from its largest level: how every picture of the 800 x 600 package is made.
void UploadPicture(unsigned texture, int width, int height, const uint8_t* pixels);

// Uploads the chosen set's faces into assets.setTextures: the sharper ones (when there are) and
// mipmapped, or as at their own size.
void UploadSetFaces(Assets& assets, bool sharper);

// Minifies texture through its mipmaps, or (not mipmapped) linearly from its largest level.
void SetMinification(unsigned texture, bool mipmapped);

// Compiles display lists 1..34, 36..39 over assets.textures.
void CompileDisplayLists(const Assets& assets);

// Compiles face list LIST_FACE_FIRST + face as the flat face square with texture.
void CompileFaceList(int face, unsigned texture);
// The same for list LIST_FACE_SECOND_FIRST + face, face f's second card.
void CompileSecondCardList(int face, unsigned texture);

// ---- A deck's cards (card_faces.cpp) ----

// Whether a deck's card is more than a picture: a word, a sound, or nothing to show.
bool NeedsComposing(const storage::FaceImage& card);
// The card as a kFacePixels square picture (bottom row first): a word drawn big on a plain
// card, a picture with its word in a band, a speaker for a sound alone, a badge for a sound
// beside a picture or word. The word in the language of wordCode, shaped for language.
storage::FaceImage ComposeCard(const storage::FaceImage& card, std::string_view wordCode,
                               std::string_view language);

// Recompiles the face lists whose picture changed: for a board, the pictures its deal chose
// (facePicture); for the about row (aboutRow), the set's first pictures in order.
void BindFaceLists(const game::GameState& state, Assets& assets, bool aboutRow);

// How many faces the about row shows: the set's pictures, at most ten.
int AboutRowFaces(const game::GameState& state);

// The menu's lines about the picture set: loading progress or skipped files, and beside each
// level button a set too small for it.
void DrawPictureSetNotes(const game::GameState& state);

// Whether the package held the optional picture at index k of storage::OptionalPictureTable.
bool HasOptionalPicture(int k);

// ---- Labels the game writes over label-less pictures (picture_labels.cpp) ----

// Whether the game writes the labels of the buttons (and the help page's words) itself: in every
// language but Chinese and English, whose words the pictures carry.
bool WritesOwnLabels();
// Whether texture k of the table has a label-less twin (storage::BlankPictureSources).
bool HasBlankTwin(int texture);
// Calls display list `list`, or its label-less twin when the game writes the label itself and
// the package has the twin (never while picking: both have the same quad). Returns whether it
// drew the twin, whose label DrawPictureLabel then writes.
bool CallPictureList(unsigned list);
// Calls a switch's label-less list (an outline in the switch's colour when the package lacks
// it), for a label written over it in every language; the labelled list while picking. Returns
// whether the label is the caller's to write.
bool CallLabellessPictureList(unsigned list, const game::MenuPlace& place);
// Writes label (in the player's language) over the picture of the menu control name (none: the
// back button) standing at place, as game/menu_looks.h places and colours a label: centred on a
// button, left of a switch's toggle, bold, shrunk to its room; lit (hover, a switch on) white.
// Leaves the identity model-view and the colour white.
void DrawPictureLabel(game::MenuName name, std::string_view label, const game::MenuPlace& place,
                      bool lit);

// A rectangle of half-size halfWidth x halfHeight around the origin in the plane z = 0, drawn
// with the GL primitive mode (GL_QUADS to fill, GL_LINE_LOOP for a frame).
void Rectangle(unsigned mode, float halfWidth, float halfHeight);

// The names of the picture sets, in the order of GameState::pictureSet, UTF-8.
const std::vector<std::string>& PictureSetNames();

// The width that DrawText3D gives the text (UTF-8) at the frame scale, in pixels of the
// 800 x 600 picture; an estimate when no font was found.
int TextWidthPixels(std::string_view text);

// UTF-8 to code points: a byte that starts no well-formed character (a stray continuation, an
// overlong form, a surrogate, past U+10FFFF, a sequence cut short) becomes `replacement` and the
// decoding goes on at the next byte. Never reads outside text.
std::vector<char32_t> DecodeUtf8(std::string_view text, char32_t replacement = U'\uFFFD');

// Makes assets.logoTexture from the first 600 x 450 RGB pixels of stagingPixels.
void MakeLogoTexture(Assets& assets, const storage::StagingPixels& stagingPixels);

// The loading picture, 6 units in front of the eye; leaves the model-view translated.
void DrawLoadingScreen(const Assets& assets);

// One frame: clear, then the scene or the loading frame (present() shows it before a load).
// Presents once per frame; a loading frame is presented before the load.
FrameResult DrawFrameContents(game::GameState& state, Assets& assets,
                              storage::StagingPixels& stagingPixels,
                              std::string_view packagePath, const std::function<void()>& present);

// Viewport and the fixed perspective for a client area of width x height.
void SetViewport(int width, int height);

// Pixels of the frame being drawn per pixel of the 800 x 600 picture (1 on the scaled path):
// what is drawn in pixels (bitmap texts, line widths) is drawn this much larger. Setting it
// sets the line width of the lines drawn at the default width.
void SetFrameScale(float scale);
float FrameScale();

// ---- The picture at any window size ----

// On the scaled path frames are drawn into this 800 x 600 offscreen framebuffer, then scaled
// into the window.
struct PictureTarget {
  unsigned framebuffer = 0;  // 0: none, the frame is drawn straight into the window
  unsigned colourBuffer = 0;
  unsigned depthBuffer = 0;
};

// Makes the target and leaves it bound. False, after one message on stderr, when the GL has no
// framebuffer objects: frames then always go straight into the fitted rectangle.
bool MakePictureTarget(PictureTarget& target);
void DeletePictureTarget(PictureTarget& target);
// Clears the window's own framebuffer (the bars) and scales the picture into its fitted
// rectangle; leaves the window's framebuffer bound for the swap. Nothing without a target.
void PresentPicture(const PictureTarget& target, game::PixelSize drawable);
// Binds the target for the next frames, or (use false) the window's own framebuffer.
void UsePictureTarget(const PictureTarget& target, bool use);

// The scenes, drawn after the frame cleared the buffers and loaded the identity.
void DrawMenuScene(const game::GameState& state);
void DrawBoardScene(const game::GameState& state, game::Level level);
void DrawReadmeScene(const game::GameState& state);
void DrawAboutScene(const game::GameState& state);
void DrawHiddenPictureScene(const game::GameState& state);

// The pickable parts, drawn by the scenes above and by PickAt; each loads the identity first.
void DrawMenuButtons(const game::GameState& state);
void DrawBoard(const game::GameState& state, game::Level level);
void DrawBackButton(const game::GameState& state);
// The back button's picture (lit under the cursor) at place, pickable as name.
void DrawBackButtonAt(const game::GameState& state, const game::MenuPlace& place, unsigned name);

// ---- Texts in the player's language, placed from their measured widths ----

// Raster units on the text plane (z = -10) per pixel of the 800 x 600 picture.
inline constexpr float kTextUnitsPerPixel = 0.0138071f;  // 2 * 10 * tan(22.5 degrees) / 600

// Which part of a text stands on its anchor's x: its left end, its centre or its right end.
enum class Align { left, centre, right };

// A point on the text plane (z = -10): x as Align says, y the raster position of the baseline.
// maxWidth: the room the text has (raster units; 0: any); a wider text is drawn smaller.
struct Anchor {
  float x, y;
  Align align = Align::left;
  float maxWidth = 0.0f;
};

// How large a text is drawn: its size in pixels of the 800 x 600 picture (14: the game's own,
// the font's strike), and whether in a bold face. Sharp at any frame scale: the outline is
// rendered at the frame's own size.
struct TextStyle {
  int pixels = 14;
  bool bold = false;
};

// A text of the game by its English source, at its anchor. englishShift: where the English text
// has stood since it was first placed by hand, off the anchor that the original Chinese screen
// gives (raster units; a left-aligned English text's room grows by a shift to the left); every
// other language stands on the anchor itself.
struct PlacedText {
  std::string_view source;
  Anchor at;
  float englishShift = 0.0f;
};

// The width of text (UTF-8) as DrawText3D draws it at the frame scale, in raster units; with a
// style, as drawn in it (and in pixels of the picture).
float TextWidth(std::string_view text);
int TextWidthPixels(std::string_view text, const TextStyle& style);
float TextWidth(std::string_view text, const TextStyle& style);

// The style text is drawn in to be at most maxWidth raster units wide: style itself when it fits
// (or maxWidth is 0), else the largest smaller size that fits (7 pixels at the least).
TextStyle FitStyle(std::string_view text, const TextStyle& style, float maxWidth);

// The height of a style's text cell (ascent and descent of the game's font), in raster units.
float CellHeight(const TextStyle& style);

// The raster x where text starts when it stands at anchor (in style).
float StartOf(std::string_view text, const Anchor& anchor);
float StartOf(std::string_view text, const Anchor& anchor, const TextStyle& style);

// Draws text (UTF-8, already in the player's language) at anchor in (r, g, b), in style; a text
// wider than the anchor's maxWidth is shrunk to fit, centred on the cell it would have had.
void DrawTextAt(std::string_view text, const Anchor& anchor, float r, float g, float b);
void DrawTextAt(std::string_view text, const Anchor& anchor, const TextStyle& style, float r,
                float g, float b);

// Whether text, drawn in the player's language, would show a glyph the fonts lack (.notdef)
// after every fallback; true for any text when no font was found.
bool HasMissingGlyphs(std::string_view text);

// The lines text (UTF-8) breaks into so that each is at most width raster units wide: at
// spaces, and inside a word only where the word alone is wider.
std::vector<std::string> WrapText(std::string_view text, float width, const TextStyle& style);

// Whether the language of code ("ar", "de") is written from right to left (text_shaping.cpp).
bool RightToLeftLanguage(std::string_view language);

// The help page's words in the player's language, over LIST_README_BLANK (help_words.cpp).
void DrawHelpWords();

// Draws a text of the game in the player's language where it stands, in (r, g, b).
void DrawPlacedText(const PlacedText& placed, float r, float g, float b);

// printf over a translated format (printf's conversions; UTF-8 never holds a '%' inside a
// character): at most 255 bytes of the result.
template <typename... Values>
std::string FormatText(std::string_view format, Values... values) {
  char text[256];
  const std::string pattern(format);
  const int length = std::snprintf(text, sizeof text, pattern.c_str(), values...);
  return length < 0 ? std::string() : std::string(text);
}

// The English ordinal's message for a new record's place ("New record: %dnd"); translations
// keep one text for all four.
std::string_view NewRecordFormat(int place);

// The records screen: the menu's background, the three levels' records, the back button.
void DrawRecordsScene(const game::GameState& state);

// The name of a ClockChoice in the texts' language: the clock selector's value. UI thread.
std::string_view ClockChoiceName(int8_t clock);

// What a board adds to the game's own texts: on a paused board the pause notice in place of the
// boxes; on a won board the announcement of a new record, in the message colour (r, g, b).
// Returns false when the boxes must not be drawn (paused).
bool DrawBoardAdditions(const game::GameState& state, float r, float g, float b);

// Whether the scenes are being drawn for PickAt, and the name they give the next object then.
bool Picking();
void NameForPick(unsigned name);

// The records button below a board that is over, pickable as the name after the back button.
void DrawRecordsButton(const game::GameState& state, float x, unsigned name);

// ---- Playing together ----

struct PlayerColour {
  float r, g, b;
};

// The colour of player 0..3: their name, their frames on the board.
PlayerColour ColourOfPlayer(int player);

// The name of player 0..count-1 in the current language (the computer's for its player).
std::string NameOfPlayer(const game::GameState& state, int player);

// The top row of a board played together: each player's colour, name and pairs, the current one
// lit, and the clock counting up.
void DrawPlayersPanel(const game::GameState& state);

// The end of a game played together, in the middle of the cleared board: the winner or a draw,
// then the standings, most pairs first.
void DrawTogetherResult(const game::GameState& state);

// The hover frame's shape drawn in a colour, untextured; blending is left to the caller.
void DrawBoxOutlineIn(PlayerColour colour);

// ---- Bitmap text ----

// The resolved font behind a GLFont: the primary FreeType face at its 14-pixel strike (and at
// other sizes), the fallback faces found for what it lacks, and the caches of rendered texts, one
// per size (text_local.h).
struct FontFace;

// The font request and the font made from it. One instance, textFont; only fontHandle changes.
class GLFont {
 public:
  virtual ~GLFont();

  int32_t height = -14;  // character height in pixels (negative: not the cell height)
  int32_t width = 0;
  uint8_t italic = 0;
  uint8_t underline = 0;
  uint8_t strikeOut = 0;
  const char* faceName = "Terminal";
  FontFace* fontHandle = nullptr;  // owned; null until CreateTextFont, or when no font was found
};
extern GLFont textFont;

// Where a font face comes from: what the tests open to compare glyphs with.
struct FontSource {
  std::string path;
  int faceIndex = 0;
  int strikeIndex = 0;
};

// Opens the first installed face with a 14-pixel strike (WenQuanYi Zen Hei Sharp, then the
// WenQuanYi bitmap song); without either, any face covering simplified Chinese (its 14-pixel
// strike, else scaled to 14 pixels: strikeIndex -1). Returns null, quietly, when none is found.
// Uses fontconfig's current configuration and never tears it down.
FontFace* OpenFontFace();
void CloseFontFace(FontFace* face);
FontSource SourceOf(const FontFace& face);

// A text as drawn: width x height pixels, rowBits bits a row (width rounded up to 32), bottom row
// first, most significant bit leftmost; padding bits are 0. The bitmap's lower left corner lies
// originX, originY pixels left of and below the raster position (0, 0 but where a fallback face's
// glyphs reach outside the cell); advance: the text's width.
struct TextBitmap {
  int width = 0;
  int height = 0;
  int rowBits = 0;
  std::string bits;
  int originX = 0;
  int originY = 0;
  int advance = 0;
};

// Whether pixel (x, y), y from the top, of a rendered FreeType glyph is lit (a grey one from
// threshold on); either sign of pitch.
bool GlyphPixel(const FT_Bitmap_& glyph, unsigned x, unsigned y, unsigned char threshold = 128);

// Renders byteCount bytes of UTF-8 text for a frame drawn at `scale` times the picture's size (the
// 14-pixel strike at 1, else the outline at 14 x scale pixels); invalid bytes become a
// replacement glyph.
TextBitmap RenderText(FontFace& face, const char* text, int32_t byteCount, float scale = 1.0f);
// Renders text in style at style.pixels drawn pixels, shaped for language (a catalogue's code:
// "ar" draws right to left, "ja" and "ko" in their own CJK faces). Not cached.
TextBitmap RenderText(FontFace& face, std::string_view text, const TextStyle& style,
                      std::string_view language);

// Whether text in language would show a glyph that no installed face has (.notdef); control
// characters do not count.
bool HasMissingGlyphs(FontFace& face, std::string_view text, std::string_view language,
                      bool bold = false);

// How many texts the cache of a face holds, and how many renders it has done (for tests).
int CachedTextCount(const FontFace& face);
int64_t TextRenderCount(const FontFace& face);

// Draws byteCount bytes of UTF-8 text with textFont at the raster position (x, y) of the plane
// z = -10, in (r, g, b) over the frame. Leaves: the identity model-view, the colour (r, g, b, 1),
// depth testing on, unpack alignment 1, lighting and texturing as they were, blending untouched.
void DrawText3D(int32_t byteCount, const char* text, float x, float y, float r, float g, float b);

}  // namespace render
