"""Tests of trakvia.mediadesk (a package, so its test modules may share names with other suites)."""
