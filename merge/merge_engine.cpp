// Merge engine (filled in by the merge work).
