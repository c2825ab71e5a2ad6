#include "tools/unit_property_values.h"

#include <cstring>

#include "forms/window_properties.h"
#include "units/edit_box_properties.h"
#include "units/label_properties.h"
#include "units/trans_label_properties.h"

namespace {

// One settable field of a property record R; exactly one pointer is set.
template <typename R>
struct Field {
  const char* name;
  int32_t R::*i32 = nullptr;
  uint32_t R::*u32 = nullptr;
  int16_t R::*i16 = nullptr;
  PropertyBytes R::*bytes = nullptr;
  bool font = false;
};

template <typename R>
constexpr Field<R> I32(const char* name, int32_t R::*m) { Field<R> f{name}; f.i32 = m; return f; }
template <typename R>
constexpr Field<R> U32(const char* name, uint32_t R::*m) { Field<R> f{name}; f.u32 = m; return f; }
template <typename R>
constexpr Field<R> I16(const char* name, int16_t R::*m) { Field<R> f{name}; f.i16 = m; return f; }
template <typename R>
constexpr Field<R> Bytes(const char* name, PropertyBytes R::*m) { Field<R> f{name}; f.bytes = m; return f; }
template <typename R>
constexpr Field<R> Font(const char* name, PropertyBytes R::*m) { Field<R> f{name}; f.bytes = m; f.font = true; return f; }

struct Context {
  const PropertySetting* setting;
  std::string* error;
  bool Fail(const std::string& message) {
    *error = "line " + std::to_string(setting->line) + ": " + setting->name + ": " + message;
    return false;
  }
};

bool ParseInteger(Context& c, int64_t low, int64_t high, int64_t* value) {
  const auto& v = c.setting->values;
  if (v.size() != 1 || v[0].quoted) return c.Fail("expected one number");
  if (v[0].text == "true" || v[0].text == "false") {
    *value = v[0].text == "true";
    return true;
  }
  if (!ParseDescriptionNumber(v[0].text, value) || *value < low || *value > high)
    return c.Fail("'" + v[0].text + "' is not a number in range");
  return true;
}

bool SetFontField(Context& c, LogFontBytes* font, const std::string& key, const DescriptionWord& value) {
  if (key == "face") {
    if (!value.quoted || value.text.size() >= sizeof font->faceName) return c.Fail("face is a quoted name under 32 bytes");
    std::memcpy(font->faceName, value.text.data(), value.text.size());
    return true;
  }
  int64_t n;
  if (value.quoted || !ParseDescriptionNumber(value.text, &n)) return c.Fail(key + " needs a number");
  struct IntKey { const char* key; int32_t LogFontBytes::*field; };
  static constexpr IntKey kInts[] = {{"height", &LogFontBytes::height}, {"width", &LogFontBytes::width},
                                     {"escapement", &LogFontBytes::escapement},
                                     {"orientation", &LogFontBytes::orientation}, {"weight", &LogFontBytes::weight}};
  for (const IntKey& k : kInts)
    if (key == k.key) return n >= INT32_MIN && n <= INT32_MAX ? (font->*k.field = int32_t(n), true) : c.Fail("out of range");
  struct ByteKey { const char* key; uint8_t LogFontBytes::*field; };
  static constexpr ByteKey kBytes[] = {
      {"italic", &LogFontBytes::italic}, {"underline", &LogFontBytes::underline},
      {"strikeout", &LogFontBytes::strikeOut}, {"charset", &LogFontBytes::charSet},
      {"out-precision", &LogFontBytes::outPrecision}, {"clip-precision", &LogFontBytes::clipPrecision},
      {"quality", &LogFontBytes::quality}, {"pitch-family", &LogFontBytes::pitchAndFamily}};
  for (const ByteKey& k : kBytes)
    if (key == k.key) return n >= 0 && n <= 255 ? (font->*k.field = uint8_t(n), true) : c.Fail("out of range");
  return c.Fail("unknown font field " + key);
}

// "set font ''" empties the font; otherwise key/value pairs of a LOGFONTA.
bool ParseFont(Context& c, PropertyBytes* out) {
  const auto& v = c.setting->values;
  if (v.size() == 1 && v[0].quoted && v[0].text.empty()) {
    out->Clear();
    return true;
  }
  if (v.size() % 2 != 0) return c.Fail("font takes <field> <value> pairs");
  LogFontBytes font{};
  for (size_t i = 0; i < v.size(); i += 2)
    if (!SetFontField(c, &font, v[i].text, v[i + 1])) return false;
  return out->Assign(&font, sizeof font) || c.Fail("out of memory");
}

template <typename R, size_t N>
bool ApplySetting(R* record, const Field<R> (&fields)[N], Context& c) {
  for (const Field<R>& f : fields) {
    if (c.setting->name != f.name) continue;
    int64_t n;
    if (f.i32) return ParseInteger(c, INT32_MIN, INT32_MAX, &n) && (record->*f.i32 = int32_t(n), true);
    if (f.u32) return ParseInteger(c, INT32_MIN, UINT32_MAX, &n) && (record->*f.u32 = uint32_t(n), true);
    if (f.i16) return ParseInteger(c, INT16_MIN, UINT16_MAX, &n) && (record->*f.i16 = int16_t(n), true);
    if (f.font) return ParseFont(c, &(record->*f.bytes));
    const auto& v = c.setting->values;
    if (v.size() != 1 || !v[0].quoted) return c.Fail("expected one quoted text");
    return (record->*f.bytes).Assign(v[0].text.data(), uint32_t(v[0].text.size())) || c.Fail("out of memory");
  }
  return c.Fail("no such property of this unit type");
}

template <typename R, size_t N>
bool ApplySettings(R* record, const Field<R> (&fields)[N], const UnitSpec& unit, std::string* error) {
  for (const PropertySetting& s : unit.settings) {
    Context c{&s, error};
    if (!ApplySetting(record, fields, c)) return false;
  }
  return true;
}

bool Store(const PropertyBytes& saved, std::vector<uint8_t>* block, std::string* error) {
  if (saved.empty()) {
    *error = "the property block could not be made";
    return false;
  }
  block->assign(saved.data(), saved.data() + saved.size());
  return true;
}

using W = WindowProperties;
constexpr Field<W> kWindowFields[] = {
    Bytes("caption", &W::caption), I32("BorderStyle", &W::borderStyle),
    U32("BackColor", &W::backColor), Bytes("BackPicture", &W::backPicture),
    I32("BackPictureMode", &W::backPictureMode), Bytes("BackSound", &W::backSound),
    I32("SoundPlayMode", &W::soundPlayMode), I32("ControlBox", &W::controlBox),
    I32("MaxButton", &W::maxButton), I32("MinButton", &W::minButton),
    I32("Position", &W::position), I32("Movable", &W::movable), Bytes("Icon", &W::icon),
    I32("EnterMovesFocus", &W::enterMovesFocus), I32("EscCloses", &W::escCloses),
    I32("F1Help", &W::f1Help), Bytes("HelpFile", &W::helpFile),
    I32("HelpContext", &W::helpContext), I32("ShowInTaskbar", &W::showInTaskbar),
    I32("DragAnywhere", &W::dragAnywhere), I32("Shape", &W::shape),
    I32("AlwaysOnTop", &W::alwaysOnTop), I32("KeepTitleActive", &W::keepTitleActive),
    Bytes("WindowClass", &W::windowClass),
};

using E = EditBoxProperties;
constexpr Field<E> kEditBoxFields[] = {
    Bytes("content", &E::text), I32("border", &E::border), U32("TextColor", &E::textColor),
    U32("BackColor", &E::backColor), Font("font", &E::font),
    I32("HideSel", &E::hideSelection), I32("MaxAllowLength", &E::maxLength),
    I32("AllowMultiLines", &E::multiLine), I32("ScrollBars", &E::scrollBars),
    I32("Align", &E::align), I32("InputMode", &E::inputMode),
    I16("PasswordChar", &E::passwordChar), I32("CaseConvert", &E::caseConvert),
    I32("SpinMode", &E::spinMode), I32("SpinMin", &E::spinMin), I32("SpinMax", &E::spinMax),
    I32("SelStart", &E::selStart), I32("SelLength", &E::selLength),
    Bytes("DataSource", &E::dataSource), Bytes("DataColumn", &E::dataColumn),
};

using L = LabelProperties;
constexpr Field<L> kLabelFields[] = {
    Bytes("caption", &L::caption), I32("effect", &L::effect), I32("border", &L::border),
    I32("GradientBorderWidth", &L::gradientBorderWidth),
    U32("GradientBorderColor1", &L::gradientBorderColor1),
    U32("GradientBorderColor2", &L::gradientBorderColor2),
    U32("GradientBorderColor3", &L::gradientBorderColor3), Font("font", &L::font),
    U32("TextColor", &L::textColor), U32("BackColor", &L::backColor),
    Bytes("BackPicture", &L::backPicture), I32("BackPictureMode", &L::backPictureMode),
    I32("GradientBackMode", &L::gradientBackMode),
    U32("GradientBackColor1", &L::gradientBackColor1),
    U32("GradientBackColor2", &L::gradientBackColor2),
    U32("GradientBackColor3", &L::gradientBackColor3), I32("HAlign", &L::hAlign),
    I32("WordWrap", &L::wordWrap), I32("VAlign", &L::vAlign),
    Bytes("DataSource", &L::dataSource), Bytes("DataColumn", &L::dataColumn),
};

using S = SuperBtnProperties;
constexpr Field<S> kSuperBtnFields[] = {
    I32("BtnStyle", &S::btnStyle), I32("CheckBox", &S::checkBox), I32("Checked", &S::checked),
    I32("AlignStyle", &S::alignStyle), I32("PressStyle", &S::pressStyle),
    I32("DrawBorder", &S::drawBorder), I32("DrawFocus", &S::drawFocus),
    Bytes("PicOut", &S::picOut), U32("TransColorOut", &S::transColorOut),
    Bytes("PicIn", &S::picIn), U32("TransColorIn", &S::transColorIn),
    Bytes("PicDisabled", &S::picDisabled), U32("TransColorDisabled", &S::transColorDisabled),
    Font("font", &S::font), Bytes("caption", &S::caption),
    I32("DefaultColor", &S::defaultColor), U32("FgColorOut", &S::fgColorOut),
    U32("BkColorOut", &S::bkColorOut), U32("FgColorIn", &S::fgColorIn),
    U32("BkColorIn", &S::bkColorIn), U32("FgColorFocus", &S::fgColorFocus),
    U32("BkColorFocus", &S::bkColorFocus), I32("StandardSound", &S::standardSound),
    Bytes("OverSound", &S::overSound), Bytes("ClickSound", &S::clickSound),
    Bytes("ToolTip", &S::toolTip), I32("DefaultStyle", &S::defaultStyle),
};

using T = TransLabelProperties;
constexpr Field<T> kTransLabelFields[] = {
    Bytes("caption", &T::caption), I32("effect", &T::effect),
    Font("font", &T::font), U32("TextColor", &T::textColor),
    I32("HAlign", &T::hAlign), I32("WordWrap", &T::wordWrap), I32("VAlign", &T::vAlign),
};

bool ResetFailed(std::string* error) {
  *error = "out of memory";
  return false;
}

}  // namespace

bool UnitTypeCodeOf(const std::string& type, uint32_t* code) {
  static constexpr struct { const char* name; uint32_t code; } kTypes[] = {
      {"window", 0x00010001}, {"EditBox", 0x00010005}, {"Label", 0x0001000A},
      {"SuperBtn", 0x00020001}, {"TransLabel", 0x00030005}};
  for (const auto& t : kTypes)
    if (type == t.name) return *code = t.code, true;
  return false;
}

bool BuildUnitPropertyBlock(const UnitSpec& unit, std::vector<uint8_t>* block, std::string* error) {
  block->clear();
  if (unit.emptyBlock) {
    if (unit.settings.empty()) return true;
    *error = "line " + std::to_string(unit.line) + ": a unit with an empty block takes no settings";
    return false;
  }
  if (unit.type == "window") {
    WindowProperties p;
    return ApplySettings(&p, kWindowFields, unit, error) && Store(SaveWindowProperties(p), block, error);
  }
  if (unit.type == "EditBox") {
    EditBoxProperties p;
    return ApplySettings(&p, kEditBoxFields, unit, error) && Store(SaveEditBoxProperties(p), block, error);
  }
  if (unit.type == "Label") {
    LabelProperties p;
    if (!ResetLabelProperties(&p)) return ResetFailed(error);
    return ApplySettings(&p, kLabelFields, unit, error) && Store(SaveLabelProperties(p), block, error);
  }
  if (unit.type == "SuperBtn") {
    SuperBtnProperties p;
    if (!ResetSuperBtnProperties(&p, kDesignButtonColours)) return ResetFailed(error);
    return ApplySettings(&p, kSuperBtnFields, unit, error) && Store(SaveSuperBtnProperties(p), block, error);
  }
  if (unit.type == "TransLabel") {
    TransLabelProperties p;
    if (!ResetTransLabelProperties(&p)) return ResetFailed(error);
    return ApplySettings(&p, kTransLabelFields, unit, error) && Store(SaveTransLabelProperties(p), block, error);
  }
  *error = "line " + std::to_string(unit.line) + ": unknown unit type " + unit.type;
  return false;
}
