// Access rules written as a security text (a discretionary access list in
// the "D:" form), mapped onto the permission bits of a file.
#pragma once

#include <optional>
#include <string_view>

#include <sys/types.h>

namespace platform {

// Mode bits of an object only its owner may read and write.
inline constexpr mode_t kOwnerOnlyMode = 0600;

// The file mode the security text grants, starting from kOwnerOnlyMode (the
// creator always reads and writes its own objects).
//
// Text: "D:", optional flags ("P", "AI", "AR"), then entries
// "(type;flags;rights;;;account)". Types: "A" allows, "D" denies. Rights:
// "GA" (read and write), "GR", "GW", "GX" (no bit: objects are not run), in
// any combination, or a number "0x..." of generic bits. Accounts and what
// they map to:
//   "SY" local system, "BA" administrators: the superuser, who needs no bit;
//   "IU" interactive user, "OW" owner rights, "CO" creator owner: the owner,
//        since processes of this system run as the one user who is logged in;
//   "WD" everyone, "AU" authenticated users: group and others.
// A denial removes the bits it names from group and others. Answers nothing
// for text that does not follow this form.
std::optional<mode_t> FileModeFromSecurityText(std::string_view text);

} // namespace platform
