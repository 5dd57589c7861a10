// The characters of the thirteen soft-keyboard layouts. Each layout is
// written as its four character rows of (normal, shifted) pairs; a space
// stands for "no character" and is stored as 0.
#include "ui/popups/SoftKeyboard.h"

namespace {

struct LayoutText {
  const wchar_t* digits;  // grave accent to "=": 13 pairs
  const wchar_t* top;     // Q to backslash: 13 pairs
  const wchar_t* home;    // A to the apostrophe: 11 pairs
  const wchar_t* bottom;  // Z to "/": 10 pairs
};

constexpr LayoutText kLayoutTexts[kSoftKeyboardLayouts] = {
    // 1. PC keyboard: the US characters, unshifted and shifted.
    {L"`~1!2@3#4$5%6^7&8*9(0)-_=+",
     L"qQwWeErRtTyYuUiIoOpP[{]}\\|",
     L"aAsSdDfFgGhHjJkKlL;:'\"",
     L"zZxXcCvVbBnNmM,<.>/?"},
    // 2. Greek: alpha to omega over the letter keys from Q, capitals shifted;
    // final sigma on N.
    {L"                          ",
     L"αΑβΒγΓδΔεΕζΖηΗθΘιΙκΚ      ",
     L"λΛμΜνΝξΞοΟπΠρΡσΣτΤ    ",
     L"υΥφΦχΧψΨωΩς         "},
    // 3. Russian: the alphabet in key order from Q, capitals shifted.
    {L"                          ",
     L"аАбБвВгГдДеЕёЁжЖзЗиИйЙкКлЛ",
     L"мМнНоОпПрРсСтТуУфФхХцЦ",
     L"чЧшШщЩъЪыЫьЬэЭюЮяЯ  "},
    // 4. Zhuyin: the usual Zhuyin keyboard (b on 1, p on Q, m on A, f on Z),
    // tone marks on 3, 4, 6, 7 and "=".
    {L"  ㄅ ㄉ ˇ ˋ ㄓ ˊ ˙ ㄚ ㄞ ㄢ ㄦ ˉ ",
     L"ㄆ ㄊ ㄍ ㄐ ㄔ ㄗ ㄧ ㄛ ㄟ ㄣ       ",
     L"ㄇ ㄋ ㄎ ㄑ ㄕ ㄘ ㄨ ㄜ ㄠ ㄤ   ",
     L"ㄈ ㄌ ㄏ ㄒ ㄖ ㄙ ㄩ ㄝ ㄡ ㄥ "},
    // 5. Pinyin: a, o, e, i, u, u-umlaut with their four tones, and
    // e-circumflex; capitals shifted.
    {L"                          ",
     L"āĀáÁǎǍàÀōŌóÓǒǑòÒēĒéÉěĚèÈêÊ",
     L"īĪíÍǐǏìÌūŪúÚǔǓùÙǖǕǘǗǚǙ",
     L"ǜǛüÜ                "},
    // 6. Hiragana in kana order, each small kana paired with the next one.
    {L"ぁあぃいぅうぇえぉおかがきぎくぐけげこごさざしじすず",
     L"せぜそぞただちぢっつづてでとどなにぬねのはばぱひびぴ",
     L"ふぶぷへべぺほぼぽまみむめもゃやゅゆょよらり",
     L"るれろゎわゐゑをん           "},
    // 7. Katakana in kana order, as the Hiragana.
    {L"ァアィイゥウェエォオカガキギクグケゲコゴサザシジスズ",
     L"セゼソゾタダチヂッツヅテデトドナニヌネノハバパヒビピ",
     L"フブプヘベペホボポマミムメモャヤュユョヨラリ",
     L"ルレロヮワヰヱヲンヴヵヶ        "},
    // 8. Chinese punctuation; brackets open unshifted, close shifted.
    {L"。～，‖、∶；＂：＇？｀！｜…〃—々·‥ˉ﹏ˇ＿¨￣",
     L"“”‘’（）〔〕［］｛｝〈〉《》「」『』〖〗【】﹙﹚",
     L"︵︶︷︸︹︺︻︼︽︾︿﹀﹁﹂﹃﹄﹐﹑﹔﹕﹖﹗",
     L"．／＼＆＃＊＠％﹉﹊﹍﹎︱︲︳︴﹋﹌﹟﹡"},
    // 9. Numbers: Roman numerals (capital / small), numbers with a full stop /
    // in parentheses, circled / Chinese numerals in parentheses.
    {L"ⅠⅰⅡⅱⅢⅲⅣⅳⅤⅴⅥⅵⅦⅶⅧⅷⅨⅸⅩⅹⅪⅺⅫⅻ  ",
     L"⒈⑴⒉⑵⒊⑶⒋⑷⒌⑸⒍⑹⒎⑺⒏⑻⒐⑼⒑⑽⒒⑾⒓⑿⒔⒀",
     L"⒕⒁⒖⒂⒗⒃⒘⒄⒙⒅⒚⒆⒛⒇        ",
     L"①㈠②㈡③㈢④㈣⑤㈤⑥㈥⑦㈦⑧㈧⑨㈨⑩㈩"},
    // 10. Mathematical symbols in their usual order over the keys, a second
    // set shifted on the digit row.
    {L"≈⊆≡⊇≠≦＝≧≤≒≥∟＜⊿＞∣≮∕≯㏑∷㏒±∬＋∯",
     L"－ × ÷ ／ ∫ ∮ ∝ ∞ ∧ ∨ ∑ ∏ ∪ ",
     L"∩ ∈ ∵ ∴ ⊥ ∥ ∠ ⌒ ⊙ ≌ ∽ ",
     L"√ ∀ ∃ ∂ ∇ ∅ ⊂ ⊃ ∉ ⊕ "},
    // 11. Box drawing: light, heavy, double and mixed lines, corners and tees
    // paired top / bottom; block elements.
    {L"┌└┬┴┐┘├┤┼─│┄┏┗┳┻┓┛┣┫╋━┃┅╭╰",
     L"╔╚╦╩╗╝╠╣╬═║╳╒╘╤╧╕╛╞╡╪╫╓╙╥╨",
     L"╖╜╟╢╮╯╱╲┍┕┯┷┑┙┝┥┿╂┎┖┰┸",
     L"┒┚┠┨▁▔▂▃▄▅▆▇█▉▊▋▌▍▎▏"},
    // 12. Chinese numerals (ordinary / financial), large numbers, money,
    // measures and units.
    {L"〇零一壹二贰三叁四肆五伍六陆七柒八捌九玖十拾百佰千仟",
     L"万萬亿億兆京个两元圆角毛分厘毫丝￥＄℃℉°′″‰％‱",
     L"㎎㎏㎜㎝㎞㏎㎡㎥㏄㎖㎘㏕€£¢¤年月日时秒周",
     L"米里寸尺丈亩顷斤钱吨升斗        "},
    // 13. Special symbols: shapes outline / filled, arrows, signs.
    {L"                          ",
     L"§№☆★○●◇◆□■△▲▽▼※〓→←↑↓↖↗↙↘◎⊙",
     L"♀♂♪♫♤♠♡♥♧♣♢♦☎☏☀☁☂☃℡㊣¤￡",
     L"✓✔✗✘☐☑☒✚◁◀▷▶◐◑◒◓▣▤▥▦"},
};

constexpr int Units(const wchar_t* text) {
  int n = 0;
  while (text[n]) ++n;
  return n;
}

constexpr bool TextsFitTheirRows() {
  for (const LayoutText& t : kLayoutTexts) {
    if (Units(t.digits) != 26 || Units(t.top) != 26 || Units(t.home) != 22 ||
        Units(t.bottom) != 20) {
      return false;
    }
  }
  return true;
}
static_assert(TextsFitTheirRows(), "every row of a layout text fills its keys exactly");

constexpr void Put(SoftKeyboardRow& row, int firstPosition, const wchar_t* text) {
  for (int i = 0; text[i]; ++i) row.units[2 * firstPosition + i] = text[i] == L' ' ? 0 : text[i];
}

constexpr SoftKeyboardRow BuildRow(int layout) {
  SoftKeyboardRow row{};
  const LayoutText& t = kLayoutTexts[layout];
  Put(row, 0, t.digits);
  Put(row, 15, t.top);
  Put(row, 29, t.home);
  Put(row, 42, t.bottom);
  return row;
}

constexpr std::array<SoftKeyboardRow, kSoftKeyboardLayouts> BuildTable() {
  std::array<SoftKeyboardRow, kSoftKeyboardLayouts> table{};
  for (int i = 0; i < kSoftKeyboardLayouts; ++i) table[i] = BuildRow(i);
  return table;
}

}  // namespace

constinit const std::array<SoftKeyboardRow, kSoftKeyboardLayouts> SoftKeyboardLayoutTable =
    BuildTable();
