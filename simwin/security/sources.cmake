# Sources of this area are added here.
