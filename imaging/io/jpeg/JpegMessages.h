#pragma once

#include <string>

/// The codec's text for a library message code: the classic release's wording with every
/// parameter shown as "?", or "Corrupted" for a code it does not know.
std::string JpegMessageText(int libraryCode);

/// The classic release's number of a library message code, so that stored warning codes do not
/// depend on the library build; codes the classic release lacks keep the library's number.
int JpegClassicMessageCode(int libraryCode);
