# End-to-end cases: filled in by the e2e suite.
