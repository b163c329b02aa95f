#pragma once

// Thread priorities. Linux gives normal threads a nice value of their own; raising a thread
// above its process needs the right to (CAP_SYS_NICE or an RLIMIT_NICE allowance), which a
// desktop user often lacks: then the thread keeps its priority and the refusal is logged.
namespace Prioritaet {

// The calling thread's id, as Boost takes it.
int ThreadId();
// Gives thread Tid the priority normal + Boost (0 = normal). False when the system refuses.
bool Boost(int Tid, int Boost);
// Asks for short time slices for the calling thread (Mikrosekunden, 100 at the least): a
// thread that runs for a moment at each wake-up then takes its turn at once instead of
// after the slice of a thread that computes. Its priority and share stay as they are.
// False where the system has no such setting.
bool KurzeScheiben(int Mikrosekunden);

} // namespace Prioritaet
