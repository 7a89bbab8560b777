// The layout walk of CGfxTextDeviceBase: one pass over the text that breaks
// lines, applies the codes, draws glyphs, underlines and frames, and measures.
#pragma once

#include <cstdint>
#include <list>
#include <vector>

#include "kestu_textlayout.h"
#include "text/markup/MarkupDecoder.h"

namespace kestu::text {

// What stands at a position of the text under the attributes' code switches.
struct Token {
    enum Kind { Char, Code, Amp, Space } kind = Char;
    int length = 1;        // characters consumed
    unsigned short ch = 0; // the character laid out (Char, Amp)
    MarkupCode code;       // the code read there (Code, Space)
};

// The pixels the walk draws into; null bits: it only measures. A width or
// height of -1 is unbounded.
struct LayoutTarget {
    void* bits;
    int pitch, width, height;
    D3DFORMAT format;
};

// What the walk reports; each may be null.
struct LayoutOutputs {
    D3DRECT* rect;
    DWORD* lines;
    std::list<SGfxTextHyperlinkInfo>* links;
    std::list<SGfxTextSpaceInfo>* spaces;
    SGfxTextFindActiveHyperLink* find;
};

class LayoutWalk {
public:
    // The codes change a working copy of the attributes, never `attributes`;
    // `result` is what the link callback fills. text holds length (> 0) characters.
    LayoutWalk(CGfxFont& font, const SGfxTextAttriBase& attributes, SGfxHyperlinkCallbackResult& result,
               const LayoutTarget& target, const LayoutOutputs& outputs, const unsigned short* text, int length, int x,
               int y);
    LayoutWalk(const LayoutWalk&) = delete;
    LayoutWalk& operator=(const LayoutWalk&) = delete;

    // One walk; E_FAIL when the pen starts on the right edge or the first
    // glyph does not fit the buffer.
    HRESULT Run();

private:
    using L = long long;
    enum class Wrap { Place, Skip, Again };

    Token Classify(int pos) const;
    // Width of the word that starts at pos; a space item is a word by itself.
    L MeasureWord(int pos);
    void MeasureWordsFrom(int pos);
    int CodeSwitches() const;
    L ScanLineHeight(int pos);
    void LowerLine(int pos);
    void NewLine(int at, int next);
    void BeginPiece(int first);
    void ClosePiece(int at);
    void SaveColours();
    void RestoreColours();
    void ResetResult();
    void Apply(const MarkupCode& code, int at, int after);
    void BeginLink(int id, int at, int after);
    void EndLink(int at);
    Wrap WrapWord(int pos, unsigned short ch);
    void RecordSpace(const Token& t, L w) const;
    bool DrawGlyph(unsigned short ch, L w);
    void Underline(int next, L w);
    void Finish() const;

    CGfxFont& m_font;
    const SGfxTextAttriBase& m_caller;
    SGfxHyperlinkCallbackResult& m_result;
    const LayoutOutputs m_out;
    const unsigned short* const m_text;
    const int m_len;
    const int m_x, m_y;
    uint8_t* const m_bits;
    const int m_pitch;
    const D3DFORMAT m_format;
    int m_width = 0, m_height = 0; // the buffer, unbounded resolved
    RECT m_rc{};                   // the layout rectangle, ordered and clamped
    bool m_singleLine = false, m_noWrap = false, m_wordWrap = false;
    int m_type = 0, m_lineH = 0, m_gap = 0;

    SGfxTextAttriBase m_a; // the working attributes
    L m_penX, m_penY;
    DWORD m_lines = 1;
    bool m_linkOpen = false, m_active = false, m_colourChanged = false, m_lineHasItem = false, m_breaking = false;
    int m_linkId = -1;
    struct Colours {
        DWORD color, bk, b, c;
    } m_saved;
    SGfxTextHyperlinkInfo m_piece;
    DWORD m_placed = 0;
    L m_maxX, m_maxY;
    unsigned short m_prev = 0;

    // MeasureWord's answers for the positions of the last word measured,
    // from m_wordsFrom on, valid under the code switches m_wordsKey.
    std::vector<L> m_words;
    int m_wordsFrom = 0, m_wordsKey = -1;
    int m_lastTall = -1; // the last space code taller than the text, -1: none
};

} // namespace kestu::text
