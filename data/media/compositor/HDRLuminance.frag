#version 120
// Middle down-sampling steps: the mean of four bilinear taps of the log luminance.
uniform sampler2D source;
uniform vec2 offsets[4];
varying vec2 uv;

void main()
{
    float sum = 0.0;
    for (int i = 0; i < 4; ++i) {
        sum += texture2D(source, uv + offsets[i]).r;
    }
    gl_FragColor = vec4(sum * 0.25, 0.0, 0.0, 1.0);
}
