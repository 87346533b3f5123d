# Tests of this area are added here with add_unit_test().
