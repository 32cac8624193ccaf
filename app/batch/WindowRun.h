#pragma once

#include "app/batch/Button1Click.h"

class TBatchWindow;
class TRunWaiter;

/// The window's run: Button1Click with one worker per core converting the photos, each
/// worker's operations given its share of the cores. The calling thread only reports progress
/// and the end to the window, and waits for the workers through the waiter.
TBatchResult RunOnEveryCore(TBatchWindow& window, TRunWaiter& waiter);
