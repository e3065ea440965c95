// SPDX-License-Identifier: BSD-3-Clause
#pragma once
// A case played on a Session, as a C++ caller of the library plays it: the case's inputs become the
// Session's requests, and what comes back becomes an Answer. The live window's runner uses the same
// reading of a solution.

#include <memory>

#include "Case.h"
#include "core/Session.h"

namespace dedodiz::conformance {

// The solution of the case's chelator, metal, type and condition inputs. Numbers are read as a C
// program reads them ("nan" and "inf" included): judging them is the Session's work.
SolutionInput SolutionOf(const Case& c);

// The case played on a fresh Session whose bundled data is in dataFolder; "{tmp}" in a file name is
// tmpFolder.
Answer PlayOnLibrary(const Case& c, const std::string& dataFolder, const std::string& tmpFolder);

}  // namespace dedodiz::conformance
