// PathMemory (filled in by the merge work).
