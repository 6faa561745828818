#include "platform/dispatch.h"

#include <string>

#include "platform/text.h"

namespace tessaloom {

const MemberDescription* FindMemberByName(const InterfaceDescription& description,
                                          std::string_view name) noexcept {
  for (const MemberDescription& m : description.members) {
    if (EqualsIgnoreAsciiCase(m.name, name)) return &m;
  }
  return nullptr;
}

const MemberDescription* FindMemberByDispid(const InterfaceDescription& description,
                                            DISPID dispid) noexcept {
  for (const MemberDescription& m : description.members) {
    if (m.dispid == dispid) return &m;
  }
  return nullptr;
}

namespace {

// Member and parameter names are short ASCII words; a longer or non-ASCII
// name cannot match and is refused without converting it.
bool NameMatches(std::u16string_view candidate, std::string_view name) {
  if (candidate.size() != name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (candidate[i] > 0x7F) return false;
    if (LowerAscii(static_cast<char>(candidate[i])) != LowerAscii(name[i])) return false;
  }
  return true;
}

std::u16string_view ZeroTerminated(const OLECHAR* text) {
  if (text == nullptr) return {};
  return std::u16string_view(text);
}

}  // namespace

HRESULT DispatchGetIDsOfNames(const InterfaceDescription& description, REFIID iid, OLECHAR** names,
                              UINT count, DISPID* ids) noexcept {
  if (iid != GUID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (count == 0) return S_OK;
  if (names == nullptr || ids == nullptr) return E_POINTER;
  const std::u16string_view memberName = ZeroTerminated(names[0]);
  const MemberDescription* member = nullptr;
  for (const MemberDescription& m : description.members) {
    if (NameMatches(memberName, m.name)) {
      member = &m;
      break;
    }
  }
  HRESULT hr = S_OK;
  ids[0] = member ? member->dispid : DISPID_UNKNOWN;
  if (member == nullptr) hr = DISP_E_UNKNOWNNAME;
  for (UINT i = 1; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
    if (member == nullptr) continue;
    const std::u16string_view param = ZeroTerminated(names[i]);
    // A property read and written has a row for each; the put row holds
    // the parameter names.
    for (const MemberDescription& row : description.members) {
      if (row.dispid != member->dispid) continue;
      for (std::uint8_t p = 0; p < row.parameterCount; ++p) {
        if (NameMatches(param, row.parameters[p].name)) ids[i] = p;
      }
    }
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

namespace {

bool KindAccepts(MemberKind kind, WORD flags) {
  switch (kind) {
    case MemberKind::kPropertyGet: return (flags & DISPATCH_PROPERTYGET) != 0;
    case MemberKind::kPropertyPut: return (flags & DISPATCH_PROPERTYPUT) != 0;
    case MemberKind::kMethod: return (flags & DISPATCH_METHOD) != 0;
  }
  return false;
}

// Where each parameter's value sits in rgvarg. COM's layout: the named
// arguments first, in the order of rgdispidNamedArgs, then the positional
// ones last first. A property put's value is the named argument
// DISPID_PROPERTYPUT and fills the last parameter; other named arguments
// carry the DISPID GetIDsOfNames gives a parameter, its position.
HRESULT MapArguments(const MemberDescription& member, const DISPPARAMS& args,
                     std::array<UINT, kMaxParameters>& slots, UINT* argError) {
  constexpr UINT kUnset = 0xFFFFFFFF;
  slots.fill(kUnset);
  const UINT count = member.parameterCount;
  const bool put = member.kind == MemberKind::kPropertyPut;
  if (args.cArgs != 0 && args.rgvarg == nullptr) return DISP_E_BADPARAMCOUNT;
  if (args.cNamedArgs > args.cArgs) return DISP_E_BADPARAMCOUNT;
  if (args.cNamedArgs != 0 && args.rgdispidNamedArgs == nullptr) return DISP_E_PARAMNOTFOUND;
  if (put && args.cNamedArgs == 0) return DISP_E_PARAMNOTOPTIONAL;
  // Parameters a named argument other than DISPID_PROPERTYPUT may fill.
  const UINT nameable = put && count != 0 ? count - 1 : count;
  const UINT positional = args.cArgs - args.cNamedArgs;
  if (positional > nameable) return DISP_E_BADPARAMCOUNT;
  for (UINT p = 0; p < positional; ++p) slots[p] = args.cArgs - 1 - p;
  bool hasValue = !put;
  bool namedParameters = false;
  for (UINT i = 0; i < args.cNamedArgs; ++i) {
    const DISPID id = args.rgdispidNamedArgs[i];
    UINT position = kUnset;
    if (id == DISPID_PROPERTYPUT && put && !hasValue && count != 0) {
      position = count - 1;
      hasValue = true;
    } else if (id >= 0 && static_cast<UINT>(id) < nameable &&
               slots[static_cast<UINT>(id)] == kUnset) {
      position = static_cast<UINT>(id);
      namedParameters = true;
    }
    // Unknown, repeated, or naming a parameter already given by position.
    if (position == kUnset) {
      if (argError != nullptr) *argError = i;
      return DISP_E_PARAMNOTFOUND;
    }
    slots[position] = i;
  }
  for (UINT p = 0; p < count; ++p) {
    if (slots[p] != kUnset) continue;
    // Without names the count alone is wrong; with them a parameter is missing.
    return namedParameters || (put && !hasValue) ? DISP_E_PARAMNOTOPTIONAL : DISP_E_BADPARAMCOUNT;
  }
  return S_OK;
}

}  // namespace

HRESULT DispatchInvoke(const InterfaceDescription& description, IDispatch* self, DISPID dispid,
                       REFIID iid, WORD flags, DISPPARAMS* params, VARIANT* result,
                       EXCEPINFO* exception, UINT* argError) noexcept {
  if (iid != GUID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (result != nullptr) VariantInit(result);
  // A property that is read and written has two rows under one DISPID.
  const MemberDescription* member = nullptr;
  for (const MemberDescription& m : description.members) {
    if (m.dispid == dispid && KindAccepts(m.kind, flags)) {
      member = &m;
      break;
    }
  }
  if (member == nullptr) return DISP_E_MEMBERNOTFOUND;

  DISPPARAMS none;
  const DISPPARAMS& args = params != nullptr ? *params : none;
  std::array<UINT, kMaxParameters> slots;
  if (const HRESULT hr = MapArguments(*member, args, slots, argError); FAILED(hr)) return hr;

  std::array<Variant, kMaxParameters> coerced;
  for (UINT i = 0; i < member->parameterCount; ++i) {
    const UINT slot = slots[i];
    // A VT_VARIANT parameter takes the argument as it came, to tell an
    // empty one from a number.
    const VARTYPE type = member->parameters[i].type;
    const HRESULT hr = type == VT_VARIANT
                           ? VariantCopy(coerced[i].get(), &args.rgvarg[slot])
                           : VariantChangeType(coerced[i].get(), &args.rgvarg[slot], 0, type);
    if (FAILED(hr)) {
      if (argError != nullptr) *argError = slot;
      return hr;
    }
  }
  VARIANT argsInOrder[kMaxParameters];
  for (UINT i = 0; i < member->parameterCount; ++i) argsInOrder[i] = *coerced[i].get();

  Variant discard;
  VARIANT* out = result != nullptr ? result : discard.get();
  const HRESULT hr = member->invoke(self, argsInOrder, out);
  if (FAILED(hr) && exception != nullptr) exception->scode = hr;
  return hr;
}

}  // namespace tessaloom
