// The driver's door to the file-level copy of one volume and to the
// shadow copies it reads through.
#pragma once

#include <string>
#include <vector>

#include "duplicate/copy_progress.h"

namespace duplicate {

// Copies (verify = false) or verifies the files of the volume at sourceRoot
// onto the volume at destinationRoot ("X:" or a volume name), counting what
// it copied and every file it could not in DuplicationJob. The copy pass
// puts the files it could not copy in *notCopied; the verify pass leaves
// them alone, as they are counted already. False when the copy could not
// run to its end.
bool CopyVolumeFiles(CopyProgress& progress, const std::wstring& destinationRoot, const std::wstring& sourceRoot,
                     bool verify, std::vector<std::wstring>* notCopied);
// Deletes the shadow copy the volume copies read through, if any.
void ReleaseShadowCopies();

}  // namespace duplicate
