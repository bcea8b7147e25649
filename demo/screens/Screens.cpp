#include "demo/screens/Screens.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "demo/screens/Pictures.h"
#include "lumora/framework/LClassCreator.h"
#include "tools/lumora-pack/Pack.h"

namespace screens {

const char* const kPaintingCodes[20] = {"U11_01", "U11_02", "U11_03", "U12_03", "U12_04", "U13_14", "U13_05",
                                        "U13_13", "U13_03", "U13_01", "U13_12", "U13_11", "U13_06", "U13_04",
                                        "U14_01", "U13_15", "U14_02", "U14_05", "U14_03", "U14_07"};
const int kGalleryButtons[20] = {5, 22, 6, 7, 40, 8, 9, 10, 11, 12, 13, 14, 15, 30, 16, 17, 18, 19, 20, 21};

namespace {

// The canvas panel of the full-screen menus; frames place their views inside it.
constexpr int kPanelX0 = 40, kPanelY0 = 12, kPanelX1 = 600, kPanelY1 = 468;
// The colour the list and entry views fill themselves with.
constexpr Rgb kListBack{32, 32, 80};

// Sizes the frames rely on.
constexpr int kMenuButtonW = 260, kMenuButtonH = 34;
constexpr int kButtonW = 120, kButtonH = 34;
constexpr int kPaintingButtonW = 96;
constexpr int kThumbW = 100, kThumbH = 76;
constexpr int kLoupeW = 960, kLoupeH = 720;

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Writes pictures and remembers their "Media.txt" lines.
class MediaWriter {
public:
    explicit MediaWriter(pack::Pack& pack) : m_Pack(pack) {}

    // A medium `name` in the file `file` ("name.bmp" when empty).
    bool Add(const std::string& name, const Canvas& picture, const std::string& file = "") {
        const std::string bmp = file.empty() ? (name.find('.') == std::string::npos ? name + ".bmp" : name) : file;
        if (!m_Names.insert(Lower(name)).second) return m_Pack.Fail("picture " + name + " made twice");
        // A carried object's cursor form ("U01_04C": C as seventh character)
        // is drawn over the scene with white as its transparent colour, like
        // the table's cursors.
        const bool carriedCursor = name.size() == 7 && (name[6] == 'C' || name[6] == 'c');
        m_Table += name + ";0;0;" + bmp + ";;" + (carriedCursor ? "255,255,255" : "") + "\r\n";
        return m_Pack.WriteBitmap("2DBIT/" + bmp, picture.ToImage());
    }
    // A picture the program finds by its file name alone (cursors).
    bool AddFile(const std::string& file, const Canvas& picture) {
        m_Files.insert(Lower(file));
        return m_Pack.WriteBitmap("2DBIT/" + file, picture.ToImage());
    }
    // A button's three looks: base + "M", "H" and "N" (+ ".bmp").
    bool AddButton(const std::string& base, int w, int h, const std::string& label) {
        return Add(base + "M.bmp", Button(w, h, label, ButtonLook::Normal)) &&
               Add(base + "H.bmp", Button(w, h, label, ButtonLook::Highlighted)) &&
               Add(base + "N.bmp", Button(w, h, label, ButtonLook::Disabled));
    }
    bool Has(const std::string& name) const { return m_Names.count(Lower(name)) != 0; }
    bool WriteTable() { return m_Pack.WriteFile("2DBIT/Media.txt", m_Table); }

private:
    pack::Pack& m_Pack;
    std::string m_Table;
    std::set<std::string> m_Names;
    std::set<std::string> m_Files;
};

bool MenuPictures(MediaWriter& media) {
    // The main option screen: its buttons are named "Som" + letter + 1 (normal), 3 (highlighted), 2 (disabled).
    static const char* const kMain[] = {"Nouvelle partie", "Charger une partie", "Sauvegarder", "Reprendre la partie",
                                        "Galerie des tableaux", "Réglages", "Crédits", "Entraînement", "Quitter"};
    for (int i = 0; i < 9; ++i) {
        const std::string base = std::string("Som") + static_cast<char>('A' + i);
        if (!media.Add(base + "1", Button(kMenuButtonW, kMenuButtonH, kMain[i], ButtonLook::Normal)) ||
            !media.Add(base + "3", Button(kMenuButtonW, kMenuButtonH, kMain[i], ButtonLook::Highlighted)) ||
            !media.Add(base + "2", Button(kMenuButtonW, kMenuButtonH, kMain[i], ButtonLook::Disabled)))
            return false;
    }
    const int x0 = kPanelX0, y0 = kPanelY0, x1 = kPanelX1, y1 = kPanelY1;
    if (!media.Add("FondOption.bmp", Backdrop("Lumora", x0, y0, x1, y1, 101))) return false;

    // Save: a list of eight lines, the name entry and four buttons.
    Canvas save = Backdrop("Sauvegarder la partie", x0, y0, x1, y1, 102);
    Well(save, 80, 88, 560, 344, kListBack);
    Well(save, 80, 360, 560, 388, kListBack);
    // Load: a list of nine lines.
    Canvas load = Backdrop("Charger une partie", x0, y0, x1, y1, 103);
    Well(load, 80, 88, 560, 376, kListBack);
    // Players: nine lines, a prompt, the name entry and the confirm button.
    Canvas user = Backdrop("Qui êtes-vous ?", x0, y0, x1, y1, 104);
    Well(user, 80, 84, 560, 372, kListBack);
    user.Text(80, 378, 560, 398, "Tapez votre nom, puis cliquez sur Jouer", 15, false, false, {58, 36, 24}, 0);
    Well(user, 80, 404, 430, 432, kListBack);
    // Quit.
    Canvas quit = Backdrop("Quitter Lumora", x0, y0, x1, y1, 105);
    quit.Text(x0, 190, x1, 230, "Voulez-vous vraiment quitter le jeu ?", 22, false, false, {58, 36, 24});
    // Settings: two labelled volume sliders.
    Canvas settings = Backdrop("Réglages", x0, y0, x1, y1, 106);
    settings.Text(120, 128, 520, 154, "Volume des ambiances", 18, true, false, {58, 36, 24}, 0);
    SliderTrack(settings, 120, 160, 520, 196, 36);
    settings.Text(120, 228, 520, 254, "Volume des voix et des effets", 18, true, false, {58, 36, 24}, 0);
    SliderTrack(settings, 120, 260, 520, 296, 36);
    // Pause: a box over the scene.
    Canvas pause = Panel(400, 200, "Pause", 107);
    pause.Text(10, 76, 390, 104, "Sauvegarder la partie ?", 20, false, false, {58, 36, 24});
    if (!media.Add("FondSave.bmp", save) || !media.Add("FondLoad.bmp", load) || !media.Add("FondUser.bmp", user) ||
        !media.Add("FondQuitter.bmp", quit) || !media.Add("FondReglages.bmp", settings) ||
        !media.Add("FondPause.bmp", pause))
        return false;

    return media.AddButton("SavOk", kButtonW, kButtonH, "Sauvegarder") &&
           media.AddButton("SavSom", kButtonW, kButtonH, "Sommaire") &&
           media.AddButton("SavJeu", kButtonW, kButtonH, "Retour au jeu") &&
           media.AddButton("SavQuit", kButtonW, kButtonH, "Quitter") &&
           media.AddButton("ChgOk", 140, kButtonH, "Charger") && media.AddButton("ChgSom", 140, kButtonH, "Sommaire") &&
           media.AddButton("UsrOk", 114, kButtonH, "Jouer") && media.AddButton("Oui", kButtonW, kButtonH, "Oui") &&
           media.AddButton("Non", kButtonW, kButtonH, "Non") && media.AddButton("RegOk", kButtonW, kButtonH, "OK") &&
           media.AddButton("RegAnnuler", kButtonW, kButtonH, "Annuler") &&
           media.AddButton("Retour", kButtonW, kButtonH, "Retour") && media.Add("RegCurseur.bmp", SliderThumb(20, 32)) &&
           media.Add("ListeBarre.bmp", ScrollBar(38, 288)) && media.Add("ListeBarre8.bmp", ScrollBar(38, 256)) &&
           media.Add("ListeBoule.bmp", ScrollThumb(30, 24));
}

bool CreditPictures(MediaWriter& media) {
    struct Page {
        const char* title;
        const char* lines[3];
    };
    static const Page kPages[5] = {
        {"Lumora", {"Une aventure en peinture", "", "Cliquez pour continuer"}},
        {"Conception et programmation", {"L'équipe Lumora", "Le moteur 3D, le jeu et ses outils", ""}},
        {"Images", {"Décors, tableaux et écrans", "dessinés par le programme", "Polices Liberation"}},
        {"Sons et voix", {"Ambiances et effets synthétisés", "Voix : espeak-ng", ""}},
        {"Merci d'avoir joué !", {"", "À bientôt dans les tableaux", ""}},
    };
    for (int i = 0; i < 5; ++i) {
        Canvas page = Backdrop("", kPanelX0, kPanelY0, kPanelX1, kPanelY1, 200 + static_cast<unsigned>(i));
        page.Text(kPanelX0, 100, kPanelX1, 160, kPages[i].title, i == 0 ? 56 : 34, true, true, {58, 36, 24});
        for (int l = 0; l < 3; ++l)
            page.Text(kPanelX0, 200 + 40 * l, kPanelX1, 236 + 40 * l, kPages[i].lines[l], 22, false, false, {58, 36, 24});
        char name[16];
        std::snprintf(name, sizeof name, "Credit%02d.bmp", i + 1);
        if (!media.Add(name, page)) return false;
    }
    return true;
}

bool CursorPictures(MediaWriter& media) {
    static const char* const kFiles[][2] = {
        {"Cur_default.BMP", "arrow"}, {"CUR_WAIT.BMP", "wait"}, {"CUR_CLIC.BMP", "click"}, {"CUR_VOICE.BMP", "voice"},
        {"CUR_TAKE.BMP", "take"},     {"CUR_USE.BMP", "use"},   {"LOUPEB.BMP", "B"},       {"LOUPED.BMP", "D"},
        {"LOUPEDB.BMP", "DB"},        {"LOUPEDH.BMP", "DH"},    {"LOUPEG.BMP", "G"},       {"LOUPEGB.BMP", "GB"},
        {"LOUPEGH.BMP", "GH"},        {"LOUPEH.BMP", "H"}};
    for (const auto& file : kFiles)
        if (!media.AddFile(file[0], Cursor(file[1]))) return false;
    return true;
}

bool GalleryPictures(MediaWriter& media) {
    if (!media.Add("FondGalerie.bmp", Backdrop("Galerie des tableaux", kPanelX0, kPanelY0, kPanelX1, kPanelY1, 301)))
        return false;
    // A locked painting: a canvas still under its cloth.
    Canvas veiled(kThumbW, kThumbH, {90, 84, 80});
    for (int y = 0; y < kThumbH; ++y)
        for (int x = 0; x < kThumbW; ++x)
            if ((x / 6 + y / 6) % 2) veiled.Set(x, y, {104, 98, 92});
    veiled.Frame(0, 0, kThumbW, kThumbH, 2, {60, 54, 50});
    if (!media.Add("NULL", veiled)) return false;
    for (int i = 0; i < 20; ++i) {
        const std::string code = kPaintingCodes[i];
        const std::string caption = "Tableau " + std::to_string(i + 1);
        const Canvas painting = Painting(code, kLoupeW, kLoupeH);
        // The painting screen, the magnifier picture and the real size on a wall.
        Canvas real = HungPainting(painting, 224, 150, 416, 294, "Taille réelle : 46 × 34 cm");
        real.Text(0, 420, 640, 446, "Cliquez pour revenir au tableau", 16, false, false, {236, 222, 196});
        Canvas thumb(kThumbW, kThumbH, {196, 152, 60});
        thumb.Paste(painting.Scaled(kThumbW - 8, kThumbH - 8), 4, 4);
        Canvas lit = thumb;
        lit.Frame(0, 0, kThumbW, kThumbH, 4, {236, 200, 90});
        lit.Frame(0, 0, kThumbW, kThumbH, 1, {30, 16, 8});
        if (!media.Add(code + "TAB", HungPainting(painting, 112, 40, 528, 352, caption)) ||
            !media.Add(code + "Loupe", painting) || !media.Add(code + "_Size", real) ||
            !media.Add(code + "Bt.bmp", thumb) || !media.Add(code + "Bh.bmp", lit))
            return false;
    }
    static const char* const kButtons[][2] = {{"TabPrec", "Précédent"}, {"TabLoupe", "Loupe"},
                                              {"TabTaille", "Taille réelle"}, {"TabScene", "Entrer"},
                                              {"TabSuiv", "Suivant"}, {"TabGalerie", "Galerie"}};
    for (const auto& b : kButtons)
        if (!media.AddButton(b[0], kPaintingButtonW, kButtonH, b[1])) return false;
    return true;
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

}  // namespace

std::vector<std::string> PictureNamesOfFrame(const std::string& text) {
    static const char* const kKeys[] = {"BIT.BitmapName", "HIL.BitmapName", "SCR.BitmapAsc", "SCR.BitmapBoule",
                                        "SCR.BitmapScroll", "VOL.BitmapThumb"};
    std::vector<std::string> names;
    for (const char* key : kKeys) {
        const std::string k = key;
        for (std::size_t at = text.find(k); at != std::string::npos; at = text.find(k, at + k.size())) {
            std::size_t v = at + k.size();
            while (v < text.size() && std::isspace(static_cast<unsigned char>(text[v]))) ++v;
            const std::size_t end = text.find(';', v);
            if (end == std::string::npos) break;
            std::string value = text.substr(v, end - v);
            while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back()))) value.pop_back();
            if (!value.empty() && value != "0") names.push_back(value);
        }
    }
    return names;
}

// ---- Objects the player carries ----------------------------------------------
// An object's cursor picture ends in "C" (32 x 32), its strip picture in "P"
// (51 x 51); white is transparent.
Canvas KeyPicture(int size) {
    Canvas c(size, size, {255, 255, 255});
    const int ring = size * 3 / 10, cx = size / 3, cy = size / 2;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int dx = x - cx, dy = y - cy, d2 = dx * dx + dy * dy;
            if (d2 <= ring * ring && d2 >= (ring / 2) * (ring / 2)) c.Set(x, y, {200, 150, 50});
        }
    c.Fill(cx + ring, cy - size / 16, size - 2, cy + size / 16 + 1, {200, 150, 50});
    c.Fill(size - size / 4, cy, size - size / 4 + size / 10, cy + size / 5, {200, 150, 50});
    c.Frame(0, 0, size, size, 1, {90, 60, 30});
    return c;
}

// The painter's glasses: two dark rings joined by a bridge, with arms.
Canvas GlassesPicture(int size) {
    Canvas c(size, size, {255, 255, 255});
    const Rgb frame{35, 35, 40}, lens{170, 200, 225};
    const int r = size / 5, cy = size / 2, left = size / 2 - r - size / 12, right = size / 2 + r + size / 12;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            for (const int cx : {left, right}) {
                const int d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
                if (d2 <= r * r) c.Set(x, y, d2 >= (r - std::max(2, size / 16)) * (r - std::max(2, size / 16)) ? frame : lens);
            }
    c.Fill(left + r, cy - 1, right - r, cy + 1, frame);
    c.Fill(1, cy - r / 2, left - r + 1, cy - r / 2 + 2, frame);
    c.Fill(right + r - 1, cy - r / 2, size - 1, cy - r / 2 + 2, frame);
    c.Frame(0, 0, size, size, 1, {90, 60, 30});
    return c;
}

// A card seen slightly from above: a rounded rectangle of `paper` with a
// dark edge, drawn in a `size` square.
Canvas CardShape(int size, Rgb paper, Rgb edge) {
    Canvas c(size, size, {255, 255, 255});
    const int x0 = size / 10, x1 = size - size / 10, y0 = size / 4, y1 = size - size / 5;
    c.Fill(x0, y0, x1, y1, paper);
    c.Frame(x0, y0, x1, y1, size >= 40 ? 2 : 1, edge);
    // Rounded corners: the corner pixels back to the transparent white.
    for (int x : {x0, x1 - 1})
        for (int y : {y0, y1 - 1}) c.Set(x, y, {255, 255, 255});
    return c;
}

// The mayor's card: cream, a red band and the town's seal.
Canvas MayorCardPicture(int size) {
    Canvas c = CardShape(size, {245, 235, 200}, {120, 90, 60});
    const int x0 = size / 10 + 2, x1 = size - size / 10 - 2, top = size / 4 + 2;
    c.Fill(x0, top, x1, top + size / 8, {170, 40, 40});
    const int cx = size * 3 / 4, cy = size * 3 / 5, r = size / 9;
    for (int y = -r; y <= r; ++y)
        for (int x = -r; x <= r; ++x)
            if (x * x + y * y <= r * r) c.Set(cx + x, cy + y, {200, 150, 50});
    for (int line = 0; line < 2; ++line) {
        const int y = size / 2 + line * (size / 7);
        c.Fill(x0 + 2, y, size / 2 + 2, y + 1 + size / 40, {90, 70, 50});
    }
    return c;
}

// The time clock's card: buff paper, ruled lines and punched holes.
Canvas ClockCardPicture(int size) {
    Canvas c = CardShape(size, {240, 220, 150}, {110, 90, 40});
    const int x0 = size / 10 + 2, x1 = size - size / 10 - 2;
    for (int y = size / 4 + size / 8; y < size - size / 5 - 2; y += std::max(3, size / 9))
        c.Fill(x0, y, x1, y + 1, {150, 120, 80});
    for (int i = 0; i < 3; ++i) {
        const int x = x0 + 3 + i * (size / 6), y = size / 4 + 3;
        c.Fill(x, y, x + std::max(2, size / 16), y + std::max(2, size / 16), {60, 40, 30});
    }
    return c;
}

// The fair's objects: the coin brought from the station (a gold disc with a
// rim), the caravan's key (a key) and the box of matches (a yellow box with
// red heads along its edge).
Canvas CoinPicture(int size) {
    Canvas c(size, size, {255, 255, 255});
    const int r = size * 4 / 10, h = size / 2;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const int d2 = (x - h) * (x - h) + (y - h) * (y - h);
            if (d2 <= r * r) c.Set(x, y, d2 >= (r - size / 10) * (r - size / 10) ? Rgb{170, 120, 30} : Rgb{230, 190, 70});
        }
    return c;
}

Canvas MatchesPicture(int size) {
    Canvas c(size, size, {255, 255, 255});
    c.Fill(size / 6, size / 3, size - size / 6, size - size / 4, {240, 200, 40});
    for (int x = size / 6 + 2; x < size - size / 6 - 2; x += size / 8) c.Fill(x, size / 3 - size / 8, x + size / 16 + 1, size / 3, {200, 30, 30});
    c.Frame(size / 6, size / 3, size - size / 6, size - size / 4, 1, {120, 90, 20});
    return c;
}

bool FairPictures(MediaWriter& media) {
    return media.Add("U01_19C", CoinPicture(32)) && media.Add("U01_19P", CoinPicture(51)) &&
           media.Add("U03_23C", KeyPicture(32)) && media.Add("U03_23P", KeyPicture(51)) &&
           media.Add("U03_27C", MatchesPicture(32)) && media.Add("U03_27P", MatchesPicture(51));
}

// The left-luggage ticket of universe 5: a yellow card with a punched
// number.
Canvas TicketPicture(int size) {
    Canvas c(size, size, {255, 255, 255});
    const int top = size / 4, bottom = size - size / 4;
    c.Fill(2, top, size - 2, bottom, {240, 200, 90});
    c.Frame(2, top, size - 2, bottom, 1, {150, 110, 40});
    for (int i = 0; i < 3; ++i) c.Fill(size / 5 + i * size / 5, size / 2 - 1, size / 5 + i * size / 5 + size / 8, size / 2 + 2, {90, 60, 30});
    return c;
}

// The watering can: a zinc body, its spout and handle.
Canvas CanPicture(int size) {
    Canvas c(size, size, {255, 255, 255});
    const Rgb zinc{150, 160, 170}, dark{90, 100, 110};
    c.Fill(size / 4, size * 2 / 5, size * 5 / 8, size - size / 8, zinc);
    for (int i = 0; i < size / 3; ++i) c.Fill(size * 5 / 8 + i, size / 2 - i / 2, size * 5 / 8 + i + 2, size / 2 - i / 2 + 2, dark);
    c.Frame(size / 4 + size / 16, size / 5, size / 4 + size / 4, size * 2 / 5 + 1, 2, dark);
    c.Frame(0, 0, size, size, 1, {90, 60, 30});
    return c;
}

// The pickaxe: a wooden handle across, the iron head at its top.
Canvas PickaxePicture(int size) {
    Canvas c(size, size, {255, 255, 255});
    for (int i = size / 6; i < size - size / 6; ++i) c.Fill(i, size - i - 2, i + 3, size - i + 1, {150, 105, 60});
    for (int i = 0; i < size / 2; ++i) c.Fill(size / 2 + i - size / 8, size / 8 + i / 2, size / 2 + i - size / 8 + 3, size / 8 + i / 2 + 3, {80, 80, 90});
    c.Frame(0, 0, size, size, 1, {90, 60, 30});
    return c;
}

// The plank: a long board with its grain.
Canvas PlankPicture(int size) {
    Canvas c(size, size, {255, 255, 255});
    c.Fill(size / 10, size * 2 / 5, size - size / 10, size * 3 / 5, {180, 135, 85});
    c.Fill(size / 10, size / 2, size - size / 10, size / 2 + 1, {130, 90, 55});
    c.Frame(0, 0, size, size, 1, {90, 60, 30});
    return c;
}

// A plain object seen from above: a bar or a block of its colour with a
// darker outline, `w` and `h` in fifths of the picture.
Canvas BlockPicture(int size, int w, int h, Rgb colour) {
    Canvas c(size, size, {255, 255, 255});
    const int bw = size * w / 5, bh = size * h / 5, x0 = (size - bw) / 2, y0 = (size - bh) / 2;
    c.Fill(x0, y0, x0 + bw, y0 + bh, colour);
    c.Frame(x0, y0, x0 + bw, y0 + bh, 1, {colour.r / 2, colour.g / 2, colour.b / 2});
    c.Frame(0, 0, size, size, 1, {90, 60, 30});
    return c;
}

// What the garden's visitor carries besides the mayor's card: the clown's
// ticket brought along, the cork, the oars, the key, the postcard, the hammer.
bool GardenPictures(MediaWriter& media) {
    struct Carried {
        const char* name;
        int w, h;
        Rgb colour;
    };
    const Carried carried[] = {{"U03_06", 3, 2, {220, 80, 70}},   {"U04_38", 2, 2, {200, 160, 110}},
                               {"U04_44", 1, 5, {150, 105, 65}},  {"U04_45", 1, 5, {150, 105, 65}},
                               {"U04_09", 4, 3, {235, 225, 120}}, {"U04_10", 4, 1, {90, 90, 95}}};
    for (const Carried& c : carried)
        if (!media.Add(std::string(c.name) + "C", BlockPicture(32, c.w, c.h, c.colour)) ||
            !media.Add(std::string(c.name) + "P", BlockPicture(51, c.w, c.h, c.colour)))
            return false;
    return media.Add("U04_37C", KeyPicture(32)) && media.Add("U04_37P", KeyPicture(51));
}

bool CarriedObjectPictures(MediaWriter& media) {
    for (const char* code : {"U02_01", "U02_07", "U02_10", "U02_11", "U02_12"})
        if (!media.Add(std::string(code) + "C", HarbourObjectPicture(code, 32)) ||
            !media.Add(std::string(code) + "P", HarbourObjectPicture(code, 51)))
            return false;
    return media.Add("U09_06C", KeyPicture(32)) && media.Add("U09_06P", KeyPicture(51)) &&
           media.Add("U04_80C", GlassesPicture(32)) && media.Add("U04_80P", GlassesPicture(51)) &&
           // The station: the mayor's card, the time clock's card and the roof's key.
           media.Add("U01_04C", MayorCardPicture(32)) && media.Add("U01_04P", MayorCardPicture(51)) &&
           media.Add("U01_06C", ClockCardPicture(32)) && media.Add("U01_06P", ClockCardPicture(51)) &&
           media.Add("U01_08C", KeyPicture(32)) && media.Add("U01_08P", KeyPicture(51)) &&
           FairPictures(media) && GardenPictures(media) &&
           // Paris: the left-luggage ticket.
           media.Add("U05_11C", TicketPicture(32)) && media.Add("U05_11P", TicketPicture(51)) &&
           // The clearing and the mine: the watering can, the pickaxe, the plank.
           media.Add("U06_19C", CanPicture(32)) && media.Add("U06_19P", CanPicture(51)) &&
           media.Add("U06_28C", PickaxePicture(32)) && media.Add("U06_28P", PickaxePicture(51)) &&
           media.Add("U06_30C", PlankPicture(32)) && media.Add("U06_30P", PlankPicture(51));
}

bool BuildScreens(pack::Pack& pack, const std::string& framesDir) {
    if (!pack.MakeDir("2DBIT") || !pack.MakeDir("2DFRA")) return false;
    MediaWriter media(pack);
    if (!MenuPictures(media) || !CreditPictures(media) || !CursorPictures(media) || !GalleryPictures(media) ||
        !media.Add("PorteF.bmp", InventoryStrip()) || !CarriedObjectPictures(media) || !media.WriteTable())
        return false;

    namespace fs = std::filesystem;
    std::vector<fs::path> sources;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(framesDir, error))
        if (entry.path().extension() == ".txt") sources.push_back(entry.path());
    if (error || sources.empty()) return pack.Fail("no frame sources in " + framesDir);
    std::sort(sources.begin(), sources.end());
    for (const fs::path& source : sources) {
        const std::string text = ReadText(source);
        for (const std::string& name : PictureNamesOfFrame(text))
            if (!media.Has(name)) return pack.Fail(source.filename().string() + ": no picture " + name);
        std::string why;
        const std::vector<std::uint8_t> bytes = CompileFrameText(text.data(), text.size(), &why);
        if (bytes.empty()) return pack.Fail(source.filename().string() + ": " + why);
        if (!pack.WriteFile("2DFRA/" + source.stem().string() + ".fra", std::string(bytes.begin(), bytes.end())))
            return false;
    }
    return true;
}

}  // namespace screens
