#pragma once

/// The process's peak resident memory so far (VmHWM), in megabytes; 0 when it cannot be read.
double peakResidentMegabytes();
/// The process's resident memory now (VmRSS), in megabytes; 0 when it cannot be read.
double residentMegabytes();
