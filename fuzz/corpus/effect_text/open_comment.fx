float x;
/* open comment
