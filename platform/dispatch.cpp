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
    char16_t c = candidate[i];
    char n = name[i];
    if (c > 0x7F) return false;
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    if (n >= 'A' && n <= 'Z') n = static_cast<char>(n - 'A' + 'a');
    if (c != static_cast<char16_t>(n)) return false;
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
  const std::u16string_view member_name = ZeroTerminated(names[0]);
  const MemberDescription* member = nullptr;
  for (const MemberDescription& m : description.members) {
    if (NameMatches(member_name, m.name)) {
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
    for (std::uint8_t p = 0; p < member->parameterCount; ++p) {
      if (NameMatches(param, member->parameters[p].name)) ids[i] = p;
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

HRESULT CheckNamedArguments(const MemberDescription& member, const DISPPARAMS& params) {
  if (member.kind == MemberKind::kPropertyPut) {
    if (params.cNamedArgs == 0) return DISP_E_PARAMNOTOPTIONAL;
    if (params.cNamedArgs != 1 || params.rgdispidNamedArgs == nullptr ||
        params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
      return DISP_E_PARAMNOTFOUND;
    }
    return S_OK;
  }
  return params.cNamedArgs == 0 ? S_OK : DISP_E_NONAMEDARGS;
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
  if (const HRESULT hr = CheckNamedArguments(*member, args); FAILED(hr)) return hr;
  if (args.cArgs != member->parameterCount || (args.cArgs != 0 && args.rgvarg == nullptr)) {
    return DISP_E_BADPARAMCOUNT;
  }

  std::array<Variant, kMaxParameters> coerced;
  for (UINT i = 0; i < args.cArgs; ++i) {
    const UINT slot = args.cArgs - 1 - i;  // rgvarg holds the arguments last first
    const HRESULT hr =
        VariantChangeType(coerced[i].get(), &args.rgvarg[slot], 0, member->parameters[i].type);
    if (FAILED(hr)) {
      if (argError != nullptr) *argError = slot;
      return hr;
    }
  }
  VARIANT args_in_order[kMaxParameters];
  for (UINT i = 0; i < args.cArgs; ++i) args_in_order[i] = *coerced[i].get();

  Variant discard;
  VARIANT* out = result != nullptr ? result : discard.get();
  const HRESULT hr = member->invoke(self, args_in_order, out);
  if (FAILED(hr) && exception != nullptr) exception->scode = hr;
  return hr;
}

}  // namespace tessaloom
