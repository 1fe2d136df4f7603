#pragma once

/// The process's peak resident memory so far (VmHWM), in megabytes; 0 when it cannot be read.
double peakResidentMegabytes();
