#pragma once
// The colour-code groups in the registry, under the settings version key:
//   "Color Code"          "Number" (REG_DWORD, groups in use), "Active Group" (REG_DWORD)
//   "Color Code"\"0".."4"  one subkey per group: "Name" (REG_SZ), "Code" (REG_BINARY, 80 little-endian
//                         COLORREFs, mode-major)
// Slot 0 is always the built-in group; its stored name is not read.
//
// The editor stores each user's groups in their own tree (HKEY_CURRENT_USER). A user who has stored
// groups sees exactly those: the machine's tree is read, as every user's starting point, only while the
// user's "Color Code" key does not exist, so that a group the user deleted does not come back from it.

#include "activator/ColorCodeGroups.h"

// The stored groups on top of the built-in group. Whatever cannot be read is left out: a group whose
// subkey or name is missing, slots beyond "Number" (or beyond five); a missing "Number" lets every slot
// be tried. A "Code" shorter than 80 colours leaves the rest black (the built-in group's rest at its
// defaults). An "Active Group" that names no group read makes the built-in group active.
CColorCodeGroups LoadColorCodeGroups();

// Writes the groups and the active group to the user's tree, and removes the subkeys of slots no
// longer in use there. False when the key cannot be created or a value cannot be written.
bool SaveColorCodeGroups(const CColorCodeGroups& groups);
