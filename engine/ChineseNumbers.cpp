// Chinese readings of numbers, money amounts and dates.
#include "engine/ChineseNumbers.h"

#include <cstdint>

namespace {

constexpr wchar_t kLing = 0x96F6;   // 零
constexpr wchar_t kCircle = 0x3007; // 〇
constexpr wchar_t kShi = 0x5341;    // 十
constexpr wchar_t kBai = 0x767E;    // 百
constexpr wchar_t kQian = 0x5343;   // 千
constexpr wchar_t kWan = 0x4E07;    // 万
constexpr wchar_t kYi = 0x4EBF;     // 亿
constexpr wchar_t kDian = 0x70B9;   // 点
constexpr wchar_t kNian = 0x5E74;   // 年
constexpr wchar_t kYue = 0x6708;    // 月
constexpr wchar_t kRi = 0x65E5;     // 日
constexpr wchar_t kYuan = 0x5143;   // 元
constexpr wchar_t kJiao = 0x89D2;   // 角
constexpr wchar_t kFen = 0x5206;    // 分
constexpr wchar_t kZheng = 0x6574;  // 整

// 〇 一 二 三 四 五 六 七 八 九
constexpr wchar_t kDigits[10] = {0x3007, 0x4E00, 0x4E8C, 0x4E09, 0x56DB,
                                 0x4E94, 0x516D, 0x4E03, 0x516B, 0x4E5D};

// Appends into a fixed buffer; once anything does not fit the text is void.
class TextBuilder {
 public:
  TextBuilder(wchar_t* out, int capacity) : out_(out), capacity_(capacity) {
    ok_ = out && capacity > 0;
    if (ok_) out_[0] = 0;
  }
  void Put(wchar_t c) {
    if (!ok_) return;
    if (length_ + 1 >= capacity_) {
      ok_ = false;
      return;
    }
    out_[length_++] = c;
    out_[length_] = 0;
  }
  void Put(const wchar_t* text, int units) {
    for (int i = 0; i < units; ++i) Put(text[i]);
  }
  void PutNumber(uint64_t n) {
    wchar_t digits[24];
    int k = 0;
    do {
      digits[k++] = static_cast<wchar_t>(L'0' + n % 10);
      n /= 10;
    } while (n);
    while (k) Put(digits[--k]);
  }
  int length() const { return length_; }
  bool EndsWith(wchar_t c) const { return length_ > 0 && out_[length_ - 1] == c; }
  // The length, or 0 with out emptied when anything did not fit.
  int Finish() {
    if (!ok_) {
      if (out_ && capacity_ > 0) out_[0] = 0;
      return 0;
    }
    return length_;
  }

 private:
  wchar_t* out_;
  int capacity_;
  int length_ = 0;
  bool ok_;
};

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

int TextLength(const wchar_t* t) {
  int n = 0;
  while (t[n]) ++n;
  return n;
}

void PutFourDigits(TextBuilder& b, int n) {
  wchar_t tmp[16];
  const int units = FourDigitsToChinese(n, tmp, 16);
  b.Put(tmp, units);
}

// Value of a run of digits; -1 when empty or longer than 9 digits.
int ParseSmall(const wchar_t* text, int units) {
  if (units <= 0 || units > 9) return -1;
  int v = 0;
  for (int i = 0; i < units; ++i) v = v * 10 + (text[i] - L'0');
  return v;
}

struct NumberParts {
  const wchar_t* integer;
  int integerUnits;
  const wchar_t* decimals;  // null when there is no full stop
  int decimalUnits;
};

// Splits digits with at most one full stop; false for anything else.
bool SplitNumber(const wchar_t* number, NumberParts* parts) {
  if (!number) return false;
  *parts = NumberParts{number, 0, nullptr, 0};
  int i = 0;
  for (; number[i]; ++i) {
    const wchar_t c = number[i];
    if (c == L'.') {
      if (parts->decimals) return false;
      parts->integerUnits = i;
      parts->decimals = number + i + 1;
    } else if (!IsDigit(c)) {
      return false;
    }
  }
  if (parts->decimals) {
    parts->decimalUnits = static_cast<int>(number + i - parts->decimals);
  } else {
    parts->integerUnits = i;
  }
  return true;
}

// The reading of the integer part alone; false when there is none.
bool PutIntegerReading(TextBuilder& b, const wchar_t* digits, int units) {
  if (units <= 0) return false;
  int zeros = 0;
  while (zeros < units && digits[zeros] == L'0') ++zeros;
  if (zeros == units) {
    for (int i = 0; i < zeros; ++i) b.Put(kCircle);
    return true;
  }
  const int significant = units - zeros;
  if (significant > 12) return false;
  uint64_t value = 0;
  for (int i = zeros; i < units; ++i) value = value * 10 + (digits[i] - L'0');
  if (zeros > 0) b.Put(kLing);
  const int yi = static_cast<int>(value / 100000000u);
  const int wan = static_cast<int>((value / 10000u) % 10000u);
  const int low = static_cast<int>(value % 10000u);
  if (yi) {
    PutFourDigits(b, yi);
    b.Put(kYi);
  }
  if (wan) {
    if (b.length() > 0 && !b.EndsWith(kLing) && wan < 1000) b.Put(kLing);
    PutFourDigits(b, wan);
    b.Put(kWan);
  } else if (b.length() > 0 && low != 0 && !b.EndsWith(kLing)) {
    b.Put(kLing);
  }
  if (low) {
    if (b.length() > 0 && !b.EndsWith(kLing) && low < 1000) b.Put(kLing);
    PutFourDigits(b, low);
  }
  return true;
}

// Decimal digits read with 零 for zero.
wchar_t DecimalDigit(wchar_t c) { return c == L'0' ? kLing : kDigits[c - L'0']; }

wchar_t FinancialForm(wchar_t c) {
  switch (c) {
    case 0x3007: return kLing;    // 〇 → 零
    case 0x4E00: return 0x58F9;   // 壹
    case 0x4E8C: return 0x8D30;   // 贰
    case 0x4E09: return 0x53C1;   // 叁
    case 0x56DB: return 0x8086;   // 肆
    case 0x4E94: return 0x4F0D;   // 伍
    case 0x516D: return 0x9646;   // 陆
    case 0x4E03: return 0x67D2;   // 柒
    case 0x516B: return 0x634C;   // 捌
    case 0x4E5D: return 0x7396;   // 玖
    case kShi: return 0x62FE;     // 拾
    case kBai: return 0x4F70;     // 佰
    case kQian: return 0x4EDF;    // 仟
    default: return c;
  }
}

// The key with full-width and code-byte forms of digits and full stops read as ASCII.
bool NormaliseNumberKey(const wchar_t* key, wchar_t* out, int capacity) {
  int n = 0;
  for (; key[n]; ++n) {
    if (n + 1 >= capacity) return false;
    wchar_t c = key[n];
    if (c >= 0xFF10 && c <= 0xFF19) c = static_cast<wchar_t>(L'0' + (c - 0xFF10));
    if (c >= 0x10 && c <= 0x19) c = static_cast<wchar_t>(L'0' + (c - 0x10));
    if (c == 0xFF0E || c == 0x0E) c = L'.';
    if (!IsDigit(c) && c != L'.') return false;
    out[n] = c;
  }
  out[n] = 0;
  return true;
}

class CandidateSink {
 public:
  CandidateSink(NumberCandidateText* out, int maxCount) : out_(out), max_(maxCount) {}
  NumberCandidateText* Next() { return count_ < max_ ? &out_[count_] : nullptr; }
  void Commit(int units, int32_t value) {
    if (units <= 0) return;
    out_[count_].units = units;
    out_[count_].value = value;
    ++count_;
  }
  int count() const { return count_; }

 private:
  NumberCandidateText* out_;
  int max_;
  int count_ = 0;
};

constexpr int32_t kTopValue = 0xEEEEEE;
constexpr int32_t kMoneyValue = 0xEEEEF7;
constexpr int kSlotCapacity = kGeneratedTextUnits + 1;

void AddFullDate(CandidateSink& sink, const wchar_t* y, int yUnits, const wchar_t* m,
                 int mUnits, const wchar_t* d, int dUnits) {
  NumberCandidateText* slot = sink.Next();
  if (!slot || yUnits == 0 || mUnits == 0) return;
  TextBuilder typed(slot->text, kSlotCapacity);
  typed.Put(y, yUnits);
  typed.Put(kNian);
  typed.Put(m, mUnits);
  typed.Put(kYue);
  typed.Put(d, dUnits);
  typed.Put(kRi);
  const int units = typed.Finish();
  if (units == 0) return;
  sink.Commit(units, kTopValue);

  const int year = ParseSmall(y, yUnits);
  const int month = ParseSmall(m, mUnits);
  const int day = ParseSmall(d, dUnits);
  const bool yearOk = y[0] == L'0' || (year >= 10 && year <= 99) || (year >= 1000 && year <= 9999);
  if (!yearOk || month < 1 || month > 12 || day < 1 || day > 31) return;
  slot = sink.Next();
  if (!slot) return;
  wchar_t yearText[kSlotCapacity];
  TextBuilder yb(yearText, kSlotCapacity);
  yb.Put(y, yUnits);
  if (yb.Finish() == 0) return;
  sink.Commit(FormatDateCandidate(DateForm::kFullDate, yearText, month, day, slot->text,
                                  kSlotCapacity),
              kTopValue - 1);
}

void AddPartialDates(CandidateSink& sink, const wchar_t* a, int aUnits, const wchar_t* b,
                     int bUnits) {
  const int first = ParseSmall(a, aUnits);
  const int second = ParseSmall(b, bUnits);
  int32_t value = kTopValue;
  auto add = [&](auto build) {
    NumberCandidateText* slot = sink.Next();
    if (!slot) return;
    const int units = build(slot->text);
    if (units > 0) sink.Commit(units, value--);
  };
  if (first >= 1 && first <= 12 && a[0] != L'0' && second >= 1 && second <= 31) {
    add([&](wchar_t* out) {
      TextBuilder t(out, kSlotCapacity);
      t.PutNumber(static_cast<uint64_t>(first));
      t.Put(kYue);
      t.PutNumber(static_cast<uint64_t>(second));
      t.Put(kRi);
      return t.Finish();
    });
    add([&](wchar_t* out) {
      return FormatDateCandidate(DateForm::kMonthDay, L"", first, second, out, kSlotCapacity);
    });
  }
  if (first >= 2 && first <= 9998 && second >= 1 && second <= 12) {
    add([&](wchar_t* out) {
      TextBuilder t(out, kSlotCapacity);
      t.PutNumber(static_cast<uint64_t>(first));
      t.Put(kNian);
      t.PutNumber(static_cast<uint64_t>(second));
      t.Put(kYue);
      return t.Finish();
    });
    add([&](wchar_t* out) {
      wchar_t yearText[16];
      TextBuilder yb(yearText, 16);
      yb.PutNumber(static_cast<uint64_t>(first));
      yb.Finish();
      return FormatDateCandidate(DateForm::kYearMonth, yearText, second, 0, out, kSlotCapacity);
    });
  }
}

void AddNumberReadings(CandidateSink& sink, const wchar_t* number) {
  NumberCandidateText* slot = sink.Next();
  if (!slot) return;
  const int reading = NumberToChineseReading(number, slot->text, kSlotCapacity);
  if (reading > 0) {
    sink.Commit(reading, kTopValue);
    slot = sink.Next();
    if (slot) sink.Commit(NumberToMoneyText(number, slot->text, kSlotCapacity), kMoneyValue);
  }
  slot = sink.Next();
  if (slot) sink.Commit(DigitsToChinese(number, slot->text, kSlotCapacity), kTopValue - 1);
}

}  // namespace

int DigitCharsToChinese(const wchar_t* digits, wchar_t* out, int capacity) {
  TextBuilder b(out, capacity);
  if (digits) {
    for (int i = 0; digits[i]; ++i) {
      if (IsDigit(digits[i])) b.Put(kDigits[digits[i] - L'0']);
    }
  }
  return b.Finish();
}

int SmallNumberToChinese(int n, wchar_t* out, int capacity) {
  TextBuilder b(out, capacity);
  if (n < 0 || n >= 32) return b.Finish();
  if (n < 10) {
    b.Put(kDigits[n]);
  } else {
    if (n >= 20) b.Put(kDigits[n / 10]);
    b.Put(kShi);
    if (n % 10) b.Put(kDigits[n % 10]);
  }
  return b.Finish();
}

int FourDigitsToChinese(int n, wchar_t* out, int capacity) {
  TextBuilder b(out, capacity);
  if (n <= 0 || n > 9999) return b.Finish();
  const int digits[4] = {n / 1000, n / 100 % 10, n / 10 % 10, n % 10};
  const wchar_t units[4] = {kQian, kBai, kShi, 0};
  // Zeros: none before the first digit, one for any run inside, none at the end.
  bool started = false;
  bool pendingZero = false;
  for (int i = 0; i < 4; ++i) {
    if (digits[i] == 0) {
      if (started) pendingZero = true;
      continue;
    }
    if (pendingZero) b.Put(kLing);
    pendingZero = false;
    started = true;
    b.Put(kDigits[digits[i]]);
    if (units[i]) b.Put(units[i]);
  }
  return b.Finish();
}

int NumberToChineseReading(const wchar_t* number, wchar_t* out, int capacity) {
  TextBuilder b(out, capacity);
  NumberParts parts;
  if (!SplitNumber(number, &parts) || !PutIntegerReading(b, parts.integer, parts.integerUnits)) {
    b = TextBuilder(out, capacity);
    return b.Finish();
  }
  if (parts.decimals) {
    b.Put(kDian);
    for (int i = 0; i < parts.decimalUnits; ++i) b.Put(DecimalDigit(parts.decimals[i]));
  }
  return b.Finish();
}

int NumberToMoneyText(const wchar_t* number, wchar_t* out, int capacity) {
  TextBuilder b(out, capacity);
  NumberParts parts;
  if (!SplitNumber(number, &parts) || parts.decimalUnits > 2 ||
      !PutIntegerReading(b, parts.integer, parts.integerUnits)) {
    b = TextBuilder(out, capacity);
    return b.Finish();
  }
  b.Put(kYuan);
  if (parts.decimalUnits == 0) {
    b.Put(kZheng);
  } else if (parts.decimalUnits == 1 || parts.decimals[1] == L'0') {
    b.Put(DecimalDigit(parts.decimals[0]));
    b.Put(kJiao);
    b.Put(kZheng);
  } else {
    b.Put(DecimalDigit(parts.decimals[0]));
    if (parts.decimals[0] != L'0') b.Put(kJiao);
    b.Put(DecimalDigit(parts.decimals[1]));
    b.Put(kFen);
  }
  const int units = b.Finish();
  for (int i = 0; i < units; ++i) out[i] = FinancialForm(out[i]);
  return units;
}

int DigitsToChinese(const wchar_t* text, wchar_t* out, int capacity) {
  TextBuilder b(out, capacity);
  if (text) {
    for (int i = 0; text[i] && b.length() < 120; ++i) {
      if (text[i] == L'.') {
        b.Put(kDian);
      } else if (IsDigit(text[i])) {
        b.Put(kDigits[text[i] - L'0']);
      }
    }
  }
  return b.Finish();
}

int FormatDateCandidate(DateForm form, const wchar_t* yearDigits, int month, int day,
                        wchar_t* out, int capacity) {
  TextBuilder b(out, capacity);
  wchar_t part[kGeneratedTextUnits + 1];
  if (form != DateForm::kMonthDay) {
    const int units = DigitCharsToChinese(yearDigits, part, kGeneratedTextUnits + 1);
    if (units == 0) return TextBuilder(out, capacity).Finish();
    b.Put(part, units);
    b.Put(kNian);
  }
  int units = SmallNumberToChinese(month, part, 8);
  if (units == 0) return TextBuilder(out, capacity).Finish();
  b.Put(part, units);
  b.Put(kYue);
  if (form != DateForm::kYearMonth) {
    units = SmallNumberToChinese(day, part, 8);
    if (units == 0) return TextBuilder(out, capacity).Finish();
    b.Put(part, units);
    b.Put(kRi);
  }
  return b.Finish();
}

int MakeNumberCandidateTexts(const wchar_t* key, NumberCandidateText* out, int maxCount) {
  if (!key || !out || maxCount <= 0) return 0;
  wchar_t number[kSlotCapacity];
  if (!NormaliseNumberKey(key, number, kSlotCapacity) || number[0] == 0) return 0;
  int stops[3];
  int stopCount = 0;
  for (int i = 0; number[i]; ++i) {
    if (number[i] == L'.') {
      if (stopCount == 2) return 0;
      stops[stopCount++] = i;
    }
  }
  CandidateSink sink(out, maxCount);
  const int length = TextLength(number);
  if (stopCount == 2) {
    const wchar_t* a = number;
    const int aUnits = stops[0];
    const wchar_t* b = number + stops[0] + 1;
    const int bUnits = stops[1] - stops[0] - 1;
    const wchar_t* c = number + stops[1] + 1;
    const int cUnits = length - stops[1] - 1;
    if (cUnits > 0) {
      AddFullDate(sink, a, aUnits, b, bUnits, c, cUnits);
    } else {
      AddPartialDates(sink, a, aUnits, b, bUnits);
    }
  } else {
    AddNumberReadings(sink, number);
  }
  return sink.count();
}
