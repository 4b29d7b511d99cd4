// Replaced by the namespace model's sources.
