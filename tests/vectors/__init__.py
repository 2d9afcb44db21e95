"""Values that the unit tests paste, derived again independently with exact arithmetic."""
