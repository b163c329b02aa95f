#pragma once

// Thread priorities. Linux gives normal threads a nice value of their own; raising a thread
// above its process needs the right to (CAP_SYS_NICE or an RLIMIT_NICE allowance), which a
// desktop user often lacks: then the thread keeps its priority and the refusal is logged.
namespace Prioritaet {

// The calling thread's id, as Boost takes it.
int ThreadId();
// Gives thread Tid the priority normal + Boost (0 = normal). False when the system refuses.
bool Boost(int Tid, int Boost);

} // namespace Prioritaet
