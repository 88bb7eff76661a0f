// What the disk page shows for the selected disk, read back through the
// scripted host: the console's health command prints it and tests compare it.
#pragma once

#include <string>
#include <vector>

#include "health/health_texts.h"
#include "ui/scripted/scripted_host.h"

namespace health {

class CDiskDiagnose;

struct PageReadout {
  int drive = -1;  // the drive the page shows, -1 for none
  std::wstring name, type, model, udid, capacity, used, powerOn, status, statusText;
  std::vector<Figure> figures;           // the three figure boxes, in order
  std::vector<PropertyRow> properties;   // the property table, row by row
};

PageReadout ReadDiskPage(ui::ScriptedWindow& w, CDiskDiagnose& page);

}  // namespace health
