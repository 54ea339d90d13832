// The program entry.
#pragma once

namespace teleon {

int Main(int argc, char** argv);

} // namespace teleon
