// The names and criticality of SMART attributes, read from the settings
// file delivered next to the program (its own file name with "ini" as
// extension):
//
//   [General]
//   Max Attributes = 2
//   [Attrib0]
//   Id = 5
//   Critical = 1
//   Name = Reallocated Sectors Count
//   Details = ...
#pragma once

#include <map>
#include <string>

#include "health/profile_file.h"

namespace health {

struct AttributeInfo {
  int Id = 0;
  int Critical = 0;  // not 0: a critical attribute
  std::wstring Name;
  std::wstring Details;
};

using AttributeNameTable = std::map<int, AttributeInfo>;  // by attribute id

// Attribute ids run from 1 to 255, so no more sections than that can name
// anything: a larger "Max Attributes" is cut to this.
inline constexpr int kMaxAttributeSections = 255;

// The program file's path with its last three characters replaced by "ini".
std::wstring AttributeNamesPath();
// The table of the file beside the program (the console program, having
// no file of its own name, takes vektrel.ini there); empty when there is none.
AttributeNameTable LoadAttributeNames();
// The table a parsed file gives: sections Attrib0 .. Attrib(Max - 1); an
// id outside 1..255 names nothing, and the first section naming an id wins.
AttributeNameTable AttributeNamesFrom(const ProfileFile& file);

}  // namespace health
