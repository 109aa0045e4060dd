#include "property_bag_com.h"

#include <oleauto.h>
#include <olectl.h>

#include <cwchar>
#include <memory>
#include <string>

#include "automation/error.h"
#include "controls/font.h"

namespace halvora::com {

namespace {

std::wstring wide_key(std::u16string_view key) {
  return std::wstring(key.begin(), key.end());
}

// The standard font object's attributes as the control's font.
ObjectRef font_from(IFont* font) {
  platform::FontTraits traits;
  BSTR name = nullptr;
  if (SUCCEEDED(font->get_Name(&name)) && name) {
    traits.name.assign(reinterpret_cast<const char16_t*>(name), SysStringLen(name));
    SysFreeString(name);
  }
  CY size{};
  if (SUCCEEDED(font->get_Size(&size))) traits.size = static_cast<double>(size.int64) / 10000.0;
  BOOL on = FALSE;
  if (SUCCEEDED(font->get_Bold(&on))) traits.bold = on;
  if (SUCCEEDED(font->get_Italic(&on))) traits.italic = on;
  if (SUCCEEDED(font->get_Underline(&on))) traits.underline = on;
  if (SUCCEEDED(font->get_Strikethrough(&on))) traits.strikethrough = on;
  return std::make_shared<controls::Font>(traits);
}

// The control's font as a new standard font object, one reference for the caller.
IUnknown* font_to(const controls::Font& font) {
  const platform::FontTraits& traits = font.traits();
  std::wstring name(traits.name.begin(), traits.name.end());
  FONTDESC desc{};
  desc.cbSizeofstruct = sizeof(desc);
  desc.lpstrName = name.data();
  desc.cySize.int64 = static_cast<LONGLONG>(traits.size * 10000.0 + 0.5);
  desc.sWeight = traits.bold ? FW_BOLD : FW_NORMAL;
  desc.sCharset = DEFAULT_CHARSET;
  desc.fItalic = traits.italic;
  desc.fUnderline = traits.underline;
  desc.fStrikethrough = traits.strikethrough;
  IUnknown* out = nullptr;
  if (FAILED(OleCreateFontIndirect(&desc, IID_IUnknown, reinterpret_cast<void**>(&out))))
    throw Error::standard(err::kOutOfMemory);
  return out;
}

}  // namespace

ComPropertyBag::ComPropertyBag(IPropertyBag* bag, IErrorLog* log) : bag_(bag), log_(log) {
  bag_->AddRef();
  if (log_) log_->AddRef();
}

ComPropertyBag::~ComPropertyBag() {
  if (log_) log_->Release();
  bag_->Release();
}

Variant ComPropertyBag::read(std::u16string_view key, const Variant& default_value) {
  VARIANT v;
  VariantInit(&v);
  std::wstring name = wide_key(key);
  if (FAILED(bag_->Read(name.c_str(), &v, log_))) return default_value;
  Variant out = default_value;
  switch (v.vt) {
    case VT_I2:
      out = static_cast<int16_t>(v.iVal);
      break;
    case VT_I4:
    case VT_INT:
      out = static_cast<int32_t>(v.lVal);
      break;
    case VT_UI4:
    case VT_UINT:
      out = static_cast<int32_t>(v.ulVal);  // colours are kept as their bits
      break;
    case VT_BOOL:
      out = v.boolVal != VARIANT_FALSE;
      break;
    case VT_R4:
      out = v.fltVal;
      break;
    case VT_R8:
      out = v.dblVal;
      break;
    case VT_BSTR:
      out = std::u16string(reinterpret_cast<const char16_t*>(v.bstrVal), SysStringLen(v.bstrVal));
      break;
    case VT_UNKNOWN:
    case VT_DISPATCH: {
      IUnknown* unknown = v.punkVal;
      IFont* font = nullptr;
      if (!unknown) {
        out = ObjectRef();
      } else if (SUCCEEDED(unknown->QueryInterface(IID_IFont, reinterpret_cast<void**>(&font)))) {
        out = font_from(font);
        font->Release();
      }
      break;
    }
    default:
      break;
  }
  VariantClear(&v);
  return out;
}

void ComPropertyBag::write(std::u16string_view key, const Variant& value) {
  VARIANT v;
  VariantInit(&v);
  switch (value.type()) {
    case VarType::Integer:
      v.vt = VT_I2;
      v.iVal = value.get<int16_t>();
      break;
    case VarType::Long:
      v.vt = VT_I4;
      v.lVal = value.get<int32_t>();
      break;
    case VarType::Boolean:
      v.vt = VT_BOOL;
      v.boolVal = value.get<bool>() ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    case VarType::Single:
      v.vt = VT_R4;
      v.fltVal = value.get<float>();
      break;
    case VarType::Double:
      v.vt = VT_R8;
      v.dblVal = value.get<double>();
      break;
    case VarType::String: {
      const std::u16string& s = value.string();
      v.vt = VT_BSTR;
      v.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(s.data()),
                                    static_cast<UINT>(s.size()));
      break;
    }
    case VarType::Object: {
      auto font = std::dynamic_pointer_cast<controls::Font>(value.object());
      // Nothing is written as an empty object reference, explicitly.
      v.vt = font ? VT_UNKNOWN : VT_DISPATCH;
      if (font) v.punkVal = font_to(*font);
      break;
    }
    default:
      break;
  }
  std::wstring name = wide_key(key);
  HRESULT hr = bag_->Write(name.c_str(), &v);
  VariantClear(&v);
  if (FAILED(hr)) throw Error::standard(err::kInvalidCall);
}

}  // namespace halvora::com
