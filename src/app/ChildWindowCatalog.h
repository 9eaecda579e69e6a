#pragma once

class ChildWindowRegistry;

// Registers every window of the program that is linked in.
void RegisterLinkedWindows(ChildWindowRegistry& registry);
