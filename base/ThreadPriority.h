#pragma once

// Puts the calling thread below normal scheduling priority (ten nice steps
// under the process's own), so it runs in the time the threads at normal
// priority leave a core idle instead of taking a core from them. There is no
// way back up without privileges; call it only on threads that keep doing
// background work. False when the system refused.
bool RunBelowNormalPriority();
