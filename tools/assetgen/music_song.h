// The soundtrack as a module, before it becomes bytes.
#pragma once
#include "it_writer.h"

namespace music {

it::Module ComposeSong();

// Rows of the song at which the show's windows begin; a row lasts 100 ms.
const std::vector<int>& WindowStartRows();

}  // namespace music
