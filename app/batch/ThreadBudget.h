#pragma once

/// The processor cores of the machine, at least one.
int MachineCores();

/// The threads each of `workers` photos converted at once may keep busy in its operations: the
/// cores shared out among them, each keeping at least its own thread.
int SharedThreadBudget(int cores, int workers);
